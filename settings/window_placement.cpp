#include "window_placement.h"

#include <initializer_list>
#include <iterator>

namespace {

// A section's entries in the form the profile writer takes: each line ends
// in a NUL, the whole in one more.
std::string Entries(std::initializer_list<std::string> lines) {
    std::string entries;
    for (const std::string& line : lines) entries += line + '\0';
    return entries + '\0';
}

RECT Moved(const RECT& rect, int left, int top) {
    return {left, top, left + rect.right - rect.left, top + rect.bottom - rect.top};
}

}  // namespace

StoredSettings ReadSettings(const ProfileFile& file, const std::string& softwareId) {
    StoredSettings stored;
    stored.trusted = file.GetString("SOFTWARE", "SoftID") == softwareId;
    if (!stored.trusted) return stored;
    stored.top = file.GetInt("WINDOW", "Top");
    stored.left = file.GetInt("WINDOW", "Left");
    stored.automatic = file.GetInt("MODE", "Auto") == 1;
    const int style = file.GetInt("MODE", "Style");
    stored.style = style >= 0 && style < int(std::size(LineStyleNames)) ? LineStyle(style) : LineStyle::Edges;
    stored.saveType = file.GetInt("SAVE", "Type");
    return stored;
}

void WriteSettings(const ProfileFile& file, const std::string& softwareId, POINT position, bool automatic,
                   int saveType, LineStyle style) {
    file.Reset();
    file.WriteSection("SOFTWARE", Entries({"SoftID = " + softwareId}));
    file.WriteSection("WINDOW", Entries({"Top  = " + std::to_string(position.y), "Left = " + std::to_string(position.x)}));
    file.WriteSection("MODE", Entries({"Auto = " + std::to_string(automatic ? 1 : 0),
                                       "Style = " + std::to_string(int(style))}));
    file.WriteSection("SAVE", Entries({"Type = " + std::to_string(saveType)}));
}

// Stored positions may come from another screen layout.
bool CaptionOnAMonitor(const RECT& window, const CaptionMetrics& metrics, const std::vector<RECT>& monitors) {
    RECT caption = window;
    caption.bottom = caption.top + metrics.frameHeight + metrics.captionHeight;
    RECT visible{};
    long long largest = 0;
    for (const RECT& monitor : monitors) {
        RECT part{};
        if (!IntersectRect(&part, &caption, &monitor)) continue;
        const long long area = (long long)(part.right - part.left) * (part.bottom - part.top);
        if (area > largest) {
            largest = area;
            visible = part;
        }
    }
    // A sliver of a few pixels cannot be grabbed.
    return largest > 0 && visible.right - visible.left >= metrics.captionHeight &&
           visible.bottom - visible.top >= metrics.captionHeight / 2;
}

StartPlacement PlaceAtStart(const StoredSettings& stored, const RECT& created, const RECT& desktop,
                            const CaptionMetrics& metrics, const std::vector<RECT>& monitors) {
    if (stored.trusted) {
        const RECT control = Moved(created, stored.left == -1 ? created.left : stored.left,
                                   stored.top == -1 ? created.top : stored.top);
        if (CaptionOnAMonitor(control, metrics, monitors)) return {control, stored.top};
    }
    const int width = created.right - created.left;
    const int height = created.bottom - created.top;
    const RECT centred = Moved(created, (desktop.right - desktop.left) / 2 - width / 2,
                               (desktop.bottom - desktop.top) / 2 - height / 2);
    return {centred, centred.top};
}

POINT ScreenPositionOfNormal(const RECT& normal, const RECT& monitor, const RECT& work) {
    return {normal.left + work.left - monitor.left, normal.top + work.top - monitor.top};
}
