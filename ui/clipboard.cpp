#include "clipboard.h"

#include "app_state.h"
#include "base/output_colours.h"
#include "document/image_document_gdi.h"
#include "modal.h"

#include <new>
#include <windows.h>

namespace {

constexpr size_t FileHeaderSize = 14;
constexpr size_t InfoHeaderSize = 40;
// Bit-field compression with an alpha mask as a fourth mask.
constexpr uint32_t BiAlphaBitfields = 6;

uint32_t Read32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

uint16_t Read16(const uint8_t* bytes) {
    return uint16_t(bytes[0] | bytes[1] << 8);
}

void Write32(uint8_t* bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[i] = uint8_t(value >> (8 * i));
}

// Packed bitmaps of 32 bits per pixel with a header that can hold masks
// (56 bytes or more, as CF_DIBV5's always does).
bool Is32BitsWithMasks(const uint8_t* dib, size_t size) {
    return size >= InfoHeaderSize && Read32(dib) >= 56 && Read32(dib) <= size && Read16(dib + 14) == 32;
}

// A CF_DIBV5 block of 32 bits per pixel as a file. Its fourth bytes are
// alpha also when the header says BI_RGB, as the platform's own conversions
// write it; the reader takes an alpha that is zero everywhere as unused.
std::vector<uint8_t> FileOfDibV5(const uint8_t* dib, size_t size) {
    if (!Is32BitsWithMasks(dib, size)) return {};
    std::vector<uint8_t> file = BmpFileOfPackedDib(dib, size);
    uint8_t* header = file.data() + FileHeaderSize;
    if (!file.empty() && Read32(header + 16) == BI_RGB) {
        Write32(header + 16, BI_BITFIELDS);
        Write32(header + 40, 0x00FF0000);
        Write32(header + 44, 0x0000FF00);
        Write32(header + 48, 0x000000FF);
        Write32(header + 52, 0xFF000000);
    }
    return file;
}

// A CF_DIB block as a file when it has 32 bits per pixel and an alpha mask:
// in a header of 56 bytes or more, or as the fourth mask after a 40-byte one.
std::vector<uint8_t> FileOfDibWithAlpha(const uint8_t* dib, size_t size) {
    if (size < InfoHeaderSize || Read16(dib + 14) != 32) return {};
    const uint32_t compression = Read32(dib + 16);
    size_t alphaMask = 0;
    if (compression == BI_BITFIELDS && Is32BitsWithMasks(dib, size)) alphaMask = 52;
    if (compression == BiAlphaBitfields) alphaMask = Read32(dib) >= 56 ? 52 : InfoHeaderSize + 12;
    if (alphaMask == 0 || alphaMask + 4 > size || Read32(dib + alphaMask) == 0) return {};
    return BmpFileOfPackedDib(dib, size);
}

std::vector<uint8_t> FileOfPng(const uint8_t* png, size_t size) {
    return {png, png + size};
}

// Puts a copy of the bytes on the open clipboard in the format.
bool PutBytes(UINT format, const std::vector<uint8_t>& bytes) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) return false;
    void* target = GlobalLock(memory);
    if (target) {
        std::copy(bytes.begin(), bytes.end(), static_cast<uint8_t*>(target));
        GlobalUnlock(memory);
        if (SetClipboardData(format, memory)) return true;
    }
    GlobalFree(memory);
    return false;
}

// Unlocks a clipboard block when it goes out of scope.
struct BlockLock {
    HGLOBAL memory;
    ~BlockLock() { GlobalUnlock(memory); }
};

// Loads the open clipboard's block in the format, made a file by toFile,
// as LoadMemory reads files; false when it is not there or not read. Memory
// running out is no reason to try the next form: it throws std::bad_alloc.
bool PasteBlock(UINT format, std::vector<uint8_t> (*toFile)(const uint8_t*, size_t)) {
    if (!IsClipboardFormatAvailable(format)) return false;
    HGLOBAL memory = GetClipboardData(format);
    const auto* bytes = memory ? static_cast<const uint8_t*>(GlobalLock(memory)) : nullptr;
    if (!bytes) return false;
    const BlockLock lock{memory};
    const std::vector<uint8_t> file = toFile(bytes, GlobalSize(memory));
    ImageError error = ImageError::None;
    if (file.empty()) return false;
    if (Document.LoadMemory(file.data(), file.size(), &error)) return true;
    if (error == ImageError::OutOfMemory) throw std::bad_alloc();
    return false;
}

// The open clipboard's bitmap, read through a device context.
bool PasteBitmap() {
    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    if (!bitmap) return false;
    bool pasted = false;
    BITMAP size{};
    HDC windowDc = GetDC(ImageWindow);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    if (memoryDc && GetObjectW(bitmap, sizeof size, &size)) {
        HGDIOBJ previous = SelectObject(memoryDc, bitmap);
        pasted = previous && DocumentGdi::LoadFromDC(Document, memoryDc, 0, 0, size.bmWidth, size.bmHeight);
        if (previous) SelectObject(memoryDc, previous);
    }
    if (memoryDc) DeleteDC(memoryDc);
    ReleaseDC(ImageWindow, windowDc);
    return pasted;
}

UINT PngFormat() {
    return RegisterClipboardFormatW(L"PNG");
}

// Deletes a GDI object when it goes out of scope, unless released.
struct BitmapOwner {
    HBITMAP bitmap;
    ~BitmapOwner() {
        if (bitmap) DeleteObject(bitmap);
    }
};

}  // namespace

std::vector<uint8_t> BmpFileOfPackedDib(const uint8_t* dib, size_t size) {
    if (size < InfoHeaderSize) return {};
    const uint32_t headerSize = Read32(dib);
    const uint32_t bits = Read16(dib + 14);
    const uint32_t compression = Read32(dib + 16);
    const uint32_t coloursUsed = Read32(dib + 32);
    if (headerSize < InfoHeaderSize || headerSize > size) return {};
    // A 40-byte header is followed by its masks; larger ones hold them.
    uint64_t masks = 0;
    if (headerSize == InfoHeaderSize && compression == BI_BITFIELDS) masks = 12;
    if (headerSize == InfoHeaderSize && compression == BiAlphaBitfields) masks = 16;
    const uint64_t palette = 4 * uint64_t(coloursUsed != 0 || bits > 8 ? coloursUsed : 1u << bits);
    const uint64_t offset = headerSize + masks + palette;
    if (offset >= size) return {};
    std::vector<uint8_t> file(FileHeaderSize + size);
    file[0] = 'B';
    file[1] = 'M';
    Write32(&file[2], uint32_t(file.size()));
    Write32(&file[10], uint32_t(FileHeaderSize + offset));
    std::copy(dib, dib + size, file.begin() + FileHeaderSize);
    return file;
}

// With a result, the PNG fails only for want of memory: then the clipboard
// is left as it was.
void CopyResultToClipboard() {
    if (!Document.IsExtracted()) return;
    const int width = Document.ResultWidth();
    const int height = Document.ResultHeight();
    std::vector<uint8_t> png;
    if (!Document.Encode(LineFormat::Png, OutputColours{.transparent = true}, png)) {
        ShowMessage(ControlWindow, MemoryMessage);
        return;
    }
    HDC windowDc = GetDC(ImageWindow);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    BitmapOwner bitmap{CreateCompatibleBitmap(windowDc, width, height)};
    if (memoryDc && bitmap.bitmap) {
        HGDIOBJ previous = SelectObject(memoryDc, bitmap.bitmap);
        DocumentGdi::Draw(Document, memoryDc, 0, 0, width, height, 0, 0, DocumentGdi::DrawResultUnscaled);
        SelectObject(memoryDc, previous);
        if (OpenClipboard(ImageWindow)) {
            // Once the clipboard has taken the bitmap, it is the clipboard's.
            if (EmptyClipboard() && SetClipboardData(CF_BITMAP, bitmap.bitmap)) {
                bitmap.bitmap = nullptr;
                MarkResultKept();
            }
            PutBytes(PngFormat(), png);
            CloseClipboard();
        }
    }
    if (memoryDc) DeleteDC(memoryDc);
    ReleaseDC(ImageWindow, windowDc);
}

bool PasteFromClipboard() {
    const UINT png = PngFormat();
    bool offered = false;
    for (UINT format : {png, UINT(CF_DIBV5), UINT(CF_DIB), UINT(CF_BITMAP)}) offered |= IsClipboardFormatAvailable(format) != 0;
    if (!offered || !OpenClipboard(ImageWindow)) return false;
    // Each form that is there but cannot be read gives way to the next.
    bool pasted = false;
    try {
        pasted = PasteBlock(png, FileOfPng) || PasteBlock(CF_DIBV5, FileOfDibV5) ||
                 PasteBlock(CF_DIB, FileOfDibWithAlpha) || (IsClipboardFormatAvailable(CF_BITMAP) && PasteBitmap());
    } catch (const std::bad_alloc&) {
        CloseClipboard();
        ShowMessage(ControlWindow, MemoryMessage);
        return false;
    }
    CloseClipboard();
    return pasted;
}
