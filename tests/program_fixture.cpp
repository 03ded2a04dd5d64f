#include "program_fixture.h"

#include "code_page.h"
#include "control_window.h"
#include "document/image_gdi.h"
#include "file_commands.h"
#include "image_window.h"
#include "pipeline/output_formats.h"
#include "resource.h"
#include "startup.h"
#include "window_geometry.h"

#include <dlgs.h>
#include <shlobj.h>

namespace {

std::vector<std::function<void(HWND)>> PendingAnswers;
int Answered = 0;

// A modal window left open this long with no answer for it fails the test
// and is closed, so that the suite goes on: the answer timer runs through
// every test, also when a command shows a message box no test expects.
const ULONGLONG UnansweredLimit = 5000;
HWND Unanswered = nullptr;
ULONGLONG UnansweredSince = 0;
UINT_PTR AnswerTimerId = 0;

bool IsMainWindow(HWND hwnd) {
    return hwnd == ControlWindow || hwnd == ImageWindow;
}

BOOL CALLBACK FindModal(HWND hwnd, LPARAM found) {
    wchar_t className[32] = {};
    GetClassNameW(hwnd, className, 32);
    // A modal window that has opened another is disabled: the newest is the
    // one that takes input.
    if (!IsMainWindow(hwnd) && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) && std::wstring(className) == L"#32770") {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

void CloseUnanswered(HWND modal) {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::wstring caption = WindowText(modal);
    const std::wstring text = ItemText(modal, 0xFFFF);
    ADD_FAILURE() << test->test_suite_name() << "." << test->name() << " left a modal window unanswered: \""
                  << Narrow(caption.c_str(), caption.size()) << "\" saying \"" << Narrow(text.c_str(), text.size()) << "\"";
    EndDialog(modal, IDCANCEL);
}

// Runs inside the modal loops: answers each new modal window in turn.
void CALLBACK AnswerTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND modal = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindModal, reinterpret_cast<LPARAM>(&modal));
    if (!modal) {
        Unanswered = nullptr;
        return;
    }
    if (PendingAnswers.empty()) {
        if (modal != Unanswered) {
            Unanswered = modal;
            UnansweredSince = GetTickCount64();
        } else if (GetTickCount64() - UnansweredSince > UnansweredLimit) {
            CloseUnanswered(modal);
        }
        return;
    }
    auto answer = PendingAnswers.front();
    PendingAnswers.erase(PendingAnswers.begin());
    ++Answered;
    answer(modal);
}

}  // namespace

void ProgramTest::SetUp() {
    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    // An earlier run may have left paths too long for TestFolder to remove.
    RemoveTree(Wide(std::string(VELMORA_TEST_OUTPUT) + "/" + name));
    folder = TestFolder(name);
    SetCurrentDirectoryA(folder.c_str());
    AnswerTimerId = SetTimer(nullptr, 0, 30, AnswerTimer);
    StartInFolder();
}

void ProgramTest::StartInFolder() {
    // Every start has a new document and settings, as a new process would.
    App.Reset();
    accelerators = StartProgram(GetModuleHandleW(nullptr));
    Pump();
}

void ProgramTest::EndProgram() {
    if (IsWindow(ControlWindow)) DestroyWindow(ControlWindow);
    Pump();
    if (IsWindow(ImageWindow)) DestroyWindow(ImageWindow);
}

void ProgramTest::TearDown() {
    EndProgram();
    KillTimer(nullptr, AnswerTimerId);
    PendingAnswers.clear();
    SetCurrentDirectoryA(VELMORA_TEST_OUTPUT);
}

void ProgramTest::Pump() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quitCode = int(message.wParam);
            continue;
        }
        DispatchProgramMessage(message, accelerators);
    }
}

int ProgramTest::TakePostedExecutes() {
    int count = 0;
    MSG message{};
    while (PeekMessageW(&message, ControlWindow, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
        if (LOWORD(message.wParam) == IDC_EXECUTE) ++count;
    }
    return count;
}

void ProgramTest::Command(UINT id, UINT notification) {
    HWND control = GetDlgItem(ControlWindow, int(id));
    SendMessageW(ControlWindow, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(control));
}

void ProgramTest::Select(int comboId, int index) {
    SendDlgItemMessageW(ControlWindow, comboId, CB_SETCURSEL, WPARAM(index), 0);
}

void ProgramTest::ExtractWithContrast(int index) {
    Select(IDC_CONTRAST, index);
    Command(IDC_EXECUTE);
}

Picture ProgramTest::Result() {
    return ReadImage(*Document.ResultInfo());
}

bool ProgramTest::MenuEnabled(UINT id) {
    return !(GetMenuState(GetMenu(ControlWindow), id, MF_BYCOMMAND) & MF_GRAYED);
}

bool ProgramTest::MenuChecked(UINT id) {
    return GetMenuState(GetMenu(ControlWindow), id, MF_BYCOMMAND) & MF_CHECKED;
}

bool ProgramTest::ButtonEnabled(int id) {
    return IsWindowEnabled(GetDlgItem(ControlWindow, id));
}

std::wstring ProgramTest::ComboItem(int comboId, int index) {
    wchar_t text[256] = {};
    SendDlgItemMessageW(ControlWindow, comboId, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text));
    return text;
}

COLORREF ProgramTest::PixelOf(HWND hwnd, int x, int y) {
    UpdateWindow(hwnd);
    HDC hdc = GetDC(hwnd);
    const COLORREF colour = GetPixel(hdc, x, y);
    ReleaseDC(hwnd, hdc);
    return colour;
}

std::string ProgramTest::WritePicture(const Picture& picture, const std::string& name) {
    const std::string path = folder + "/" + name;
    DibHandle image = MakeImage(picture, 0);
    EXPECT_TRUE(SaveImage(path.c_str(), image)) << path;
    ImgRelease(image);
    return path;
}

void ProgramTest::Load(const Picture& picture) {
    ASSERT_TRUE(Document.LoadFile(WritePicture(picture, "loaded.bmp").c_str()));
    ShowNewImage();
    Pump();
}

std::unique_ptr<ImageDocument> ProgramTest::ExtractedApart(LineStyle style, int thickness, int contrast, bool noise) {
    auto document = std::make_unique<ImageDocument>();
    EXPECT_TRUE(document->LoadFile((folder + "/loaded.bmp").c_str()));
    EXPECT_TRUE(document->Extract(thickness, contrast, noise, style));
    return document;
}

void ProgramTest::Drop(HWND hwnd, const std::vector<std::string>& paths) {
    std::wstring names;
    for (const std::string& path : paths) names += Wide(path) + L'\0';
    names += L'\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    names.copy(reinterpret_cast<wchar_t*>(drop + 1), names.size());
    GlobalUnlock(memory);
    SendMessageW(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

Picture ProgramTest::ShownInImageWindow() {
    // The screen holds only what is in view: the image window is brought in
    // front of the control window for the capture, then put back behind it.
    SetWindowPos(ImageWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    UpdateWindow(ImageWindow);
    HDC hdc = GetDC(ImageWindow);
    DibHandle shown = ImgCaptureDC(hdc, 0, 0, ClientWidth(ImageWindow), ClientHeight(ImageWindow));
    ReleaseDC(ImageWindow, hdc);
    SetWindowPos(ImageWindow, ControlWindow, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Picture picture = shown ? ReadImage(shown) : Picture{};
    ImgRelease(shown);
    return picture;
}

void ProgramTest::PressCtrl(int key) {
    HeldKey control(VK_CONTROL);
    PostMessageW(ImageWindow, WM_KEYDOWN, WPARAM(key), 1);
    Pump();
}

void ProgramTest::PressAlt(char character) {
    HeldKey alt(VK_MENU);
    PostMessageW(ImageWindow, WM_SYSCHAR, WPARAM(character), 1 << 29);
    Pump();
}

void ProgramTest::TurnWheel(HWND hwnd, POINT point, int delta, WPARAM keys) {
    // Wheel messages carry screen coordinates.
    ClientToScreen(hwnd, &point);
    PostMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(keys, delta), MAKELPARAM(point.x, point.y));
    Pump();
}

void ProgramTest::Drag(HWND hwnd, POINT from, POINT to) {
    PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    PostMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((from.x + to.x) / 2, (from.y + to.y) / 2));
    PostMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
    PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    Pump();
}

namespace {

INPUT KeyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

INPUT MouseInput(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    return input;
}

}  // namespace

// Input sent to the system arrives through its queue: a few rounds of
// handling messages take it and what it causes.
void ProgramTest::SendAndHandle(std::vector<INPUT> inputs) {
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
    for (int round = 0; round < 5; ++round) {
        Pump();
        Sleep(20);
    }
}

void ProgramTest::TypeKey(WORD key, WORD modifier) {
    std::vector<INPUT> inputs;
    if (modifier) inputs.push_back(KeyInput(modifier, false));
    inputs.push_back(KeyInput(key, false));
    inputs.push_back(KeyInput(key, true));
    if (modifier) inputs.push_back(KeyInput(modifier, true));
    SendAndHandle(inputs);
}

void ProgramTest::ClickAt(HWND hwnd, POINT client) {
    ClientToScreen(hwnd, &client);
    SetCursorPos(client.x, client.y);
    SendAndHandle({MouseInput(MOUSEEVENTF_LEFTDOWN), MouseInput(MOUSEEVENTF_LEFTUP)});
}

void ProgramTest::ClickButton(int id) {
    HWND button = GetDlgItem(ControlWindow, id);
    ClickAt(button, {ClientWidth(button) / 2, ClientHeight(button) / 2});
}

int ProgramTest::TypeEscape(MessageSeen& question, int button) {
    return AnswerModals([this] { TypeKey(VK_ESCAPE); }, {ReadMessage(question, button)});
}

bool ProgramTest::ControlWindowInView() {
    const RECT outer = OuterRect(ControlWindow);
    // Points a few pixels apart over the whole window, its edges included.
    for (LONG y = outer.top; y < outer.bottom; y += 7) {
        for (LONG x = outer.left; x < outer.right; x += 7) {
            if (GetAncestor(WindowFromPoint({x, y}), GA_ROOT) != ControlWindow) return false;
        }
    }
    return true;
}

int ProgramTest::AnswerModals(const std::function<void()>& trigger, std::vector<std::function<void(HWND)>> answers) {
    PendingAnswers = std::move(answers);
    Answered = 0;
    trigger();
    PendingAnswers.clear();
    return Answered;
}

std::wstring ProgramTest::Save(const std::string& name, MessageSeen* message) {
    std::wstring proposed;
    MessageSeen ignored;
    AnswerModals([&] { Command(IDC_SAVE); }, {AnswerFileDialog(proposed, name), ReadMessage(message ? *message : ignored)});
    return proposed;
}

HeldKey::HeldKey(int virtualKey) {
    GetKeyboardState(saved);
    BYTE pressed[256];
    std::copy(std::begin(saved), std::end(saved), pressed);
    pressed[virtualKey] = 0x80;
    SetKeyboardState(pressed);
}

HeldKey::~HeldKey() {
    SetKeyboardState(saved);
}

void PutOnClipboard(const Picture& picture) {
    HBITMAP bitmap = nullptr;
    if (picture.width > 0) {
        DibHandle image = MakeImage(picture, 0);
        HDC screen = GetDC(nullptr);
        bitmap = CreateCompatibleBitmap(screen, picture.width, picture.height);
        HDC memory = CreateCompatibleDC(screen);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        ImgBlit(memory, 0, 0, picture.width, picture.height, image, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        ImgRelease(image);
    }
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    if (bitmap) SetClipboardData(CF_BITMAP, bitmap);
    CloseClipboard();
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

std::wstring Wide(const std::string& utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), size);
    return wide;
}

bool ExistsWide(const std::string& utf8) {
    return GetFileAttributesW(Wide(utf8).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring WindowText(HWND hwnd) {
    wchar_t text[1024] = {};
    GetWindowTextW(hwnd, text, 1024);
    return text;
}

std::wstring ItemText(HWND dialog, int id) {
    wchar_t text[4096] = {};
    GetDlgItemTextW(dialog, id, text, 4096);
    return text;
}

std::function<void(HWND)> ReadMessage(MessageSeen& seen, int button) {
    return [&seen, button](HWND box) {
        // A message box shows its text in a static control with this id.
        seen.text = ItemText(box, 0xFFFF);
        seen.caption = WindowText(box);
        seen.owner = GetWindow(box, GW_OWNER);
        seen.noIsDefault = GetWindowLongW(GetDlgItem(box, IDNO), GWL_STYLE) & BS_DEFPUSHBUTTON;
        PostMessageW(box, WM_COMMAND, WPARAM(button), 0);
    };
}

std::string Native(std::string path) {
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::function<void(HWND)> AnswerFileDialog(std::wstring& proposed, const std::string& name, int type) {
    return [&proposed, name, type](HWND dialog) {
        if (type) {
            SendDlgItemMessageW(dialog, cmb1, CB_SETCURSEL, WPARAM(type - 1), 0);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELENDOK), LPARAM(GetDlgItem(dialog, cmb1)));
        }
        proposed = ItemText(dialog, FileNameBox);
        if (name.empty()) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        SetDlgItemTextW(dialog, FileNameBox, Wide(Native(name)).c_str());
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
}
