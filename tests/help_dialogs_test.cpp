// The help dialog's pages and the version box.
#include "base/line_choices.h"
#include "program_fixture.h"
#include "resource.h"
#include "window_geometry.h"

#include <set>
#include <sstream>

namespace {

// The menu's items as "MENU → ITEM", without their keys and shortcuts.
std::set<std::wstring> MenuPaths(HMENU menu) {
    const auto text = [](HMENU owner, int position) {
        wchar_t item[128] = {};
        GetMenuStringW(owner, UINT(position), item, 128, MF_BYPOSITION);
        const std::wstring whole = item;
        return whole.substr(0, whole.find(L"(&"));
    };
    std::set<std::wstring> paths;
    for (int top = 0; top < GetMenuItemCount(menu); ++top) {
        HMENU items = GetSubMenu(menu, top);
        for (int position = 0; position < GetMenuItemCount(items); ++position) {
            paths.insert(text(menu, top) + L" → " + text(items, position));
        }
    }
    return paths;
}

// Checks a help page: it calls the line drawing 線画, each blank line
// only parts sections (▼), and every "MENU → ITEM / ITEM" it names is in
// the menu.
void ExpectGoodPage(const std::wstring& page, const std::set<std::wstring>& menu) {
    EXPECT_EQ(page.find(L"ヴェルモラ"), std::wstring::npos) << page.substr(0, 8);
    EXPECT_NE(page.find(L"線画"), std::wstring::npos) << page.substr(0, 8);
    std::vector<std::wstring> words;
    std::wistringstream lines(page);
    std::wstring line, word;
    bool blank = false;
    while (std::getline(lines, line, L'\n')) {
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        EXPECT_TRUE(!blank || line.empty() || line.rfind(L"▼", 0) == 0) << "blank line before " << testing::PrintToString(line);
        blank = line.empty();
        for (std::wistringstream split(line); split >> word;) words.push_back(word);
    }
    for (size_t i = 1; i + 1 < words.size(); ++i) {
        if (words[i] != L"→") continue;
        for (size_t item = i + 1; item < words.size() && (item == i + 1 || words[item - 1] == L"/"); item += 2) {
            EXPECT_EQ(menu.count(words[i - 1] + L" → " + words[item]), 1u) << testing::PrintToString(words[item]);
        }
    }
}

// The height of the font a control of the dialog is drawn with.
int FontHeight(HWND dialog, int id) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, id, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight;
}

void Click(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace

TEST_F(ProgramTest, HelpShowsEachPageAndLeavesTheWindowsUsable) {
    std::vector<std::wstring> pages;
    HWND owner = ControlWindow;
    bool controlUsable = false;
    bool imageUsable = false;
    std::wstring caption;
    const int answered = AnswerModals([&] { Command(IDC_HELP); }, {[&](HWND help) {
        caption = WindowText(help);
        owner = GetWindow(help, GW_OWNER);
        controlUsable = IsWindowEnabled(ControlWindow);
        imageUsable = IsWindowEnabled(ImageWindow);
        pages.push_back(ItemText(help, IDC_HELP_TEXT));
        for (int id : {IDC_HELP_FEATURES, IDC_HELP_OPTIONS, IDC_HELP_OPTIONS, IDC_HELP_STEPS, IDC_HELP_FEATURES}) {
            Click(help, id);
            pages.push_back(ItemText(help, IDC_HELP_TEXT));
        }
        Click(help, IDC_HELP_CLOSE);
    }});
    EXPECT_EQ(answered, 1);
    EXPECT_EQ(caption, L"使い方");
    EXPECT_EQ(owner, nullptr);
    EXPECT_TRUE(controlUsable);
    EXPECT_TRUE(imageUsable);
    ASSERT_EQ(pages.size(), 6u);
    EXPECT_EQ(pages[0].rfind(L"操作手順\r\n", 0), 0u);
    EXPECT_EQ(pages[1].rfind(L"便利な機能\r\n", 0), 0u);
    EXPECT_EQ(pages[2].rfind(L"オプション\r\n", 0), 0u);
    EXPECT_EQ(pages, (std::vector<std::wstring>{pages[0], pages[1], pages[2], pages[2], pages[0], pages[1]}));
    for (const wchar_t* type : {L"ビットマップ", L"PNG 透過", L"PNG 白黒", L"SVG ベクター"}) {
        EXPECT_NE(pages[0].find(type), std::wstring::npos) << "the steps name each save type";
    }
    for (int page = 0; page < 3; ++page) ExpectGoodPage(pages[page], MenuPaths(GetMenu(ControlWindow)));
    // The options page has a section for each list, named as its label, and
    // names each line style as the list shows it.
    for (int label : {IDC_STYLE_LABEL, IDC_NOISE_LABEL, IDC_THICKNESS_LABEL, IDC_CONTRAST_LABEL}) {
        EXPECT_NE(pages[2].find(L"\r\n▼" + ItemText(ControlWindow, label) + L"\r\n"), std::wstring::npos) << label;
    }
    for (size_t item = 0; item < LineStyleNames.size(); ++item) {
        EXPECT_NE(pages[2].find(L"<" + ComboItem(IDC_STYLE, int(item)) + L">"), std::wstring::npos) << item;
    }
}

TEST_F(ProgramTest, EscapeClosesTheHelpOpenedFromTheMenu) {
    std::wstring caption;
    EXPECT_EQ(AnswerModals([&] { Command(IDM_HELP); }, {[&](HWND help) {
        caption = WindowText(help);
        PostMessageW(help, WM_COMMAND, IDCANCEL, 0);
    }}), 1);
    EXPECT_EQ(caption, L"使い方");
}

TEST_F(ProgramTest, VersionBoxShowsTitleVersionCopyrightAndNotice) {
    std::wstring title, version, copyright, notice, caption;
    HWND owner = nullptr;
    bool controlUsable = true;
    bool imageUsable = true;
    // Alt+"/" reaches the version box through the accelerators.
    const int answered = AnswerModals([&] { PressAlt('/'); }, {[&](HWND box) {
        caption = WindowText(box);
        owner = GetWindow(box, GW_OWNER);
        controlUsable = IsWindowEnabled(ControlWindow);
        imageUsable = IsWindowEnabled(ImageWindow);
        title = ItemText(box, IDC_ABOUT_TITLE);
        version = ItemText(box, IDC_ABOUT_VERSION);
        copyright = ItemText(box, IDC_ABOUT_COPYRIGHT);
        notice = ItemText(box, IDC_ABOUT_NOTICE);
        EXPECT_EQ(FontHeight(box, IDC_ABOUT_TITLE), 14 * WindowDpi(box) / 96) << "fonts follow the DPI";
        EXPECT_EQ(FontHeight(box, IDC_ABOUT_VERSION), 12 * WindowDpi(box) / 96);
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    }});
    EXPECT_EQ(answered, 1);
    EXPECT_EQ(caption, L"バージョン情報");
    EXPECT_EQ(owner, ControlWindow);
    EXPECT_FALSE(controlUsable) << "the version box is modal for the control window";
    EXPECT_FALSE(imageUsable) << "and for the image window";
    EXPECT_TRUE(IsWindowEnabled(ControlWindow));
    EXPECT_TRUE(IsWindowEnabled(ImageWindow));
    EXPECT_EQ(title, L"ヴェルモラ抽出器");
    EXPECT_EQ(version, L"version " VELMORA_VERSION);
    EXPECT_EQ(copyright, L"Copyright (C) 2026 ヴェルモラ開発チーム");
    EXPECT_EQ(notice.rfind(L"フリーソフト\r\n", 0), 0u) << "the notice starts with the free-software line";
    EXPECT_NE(notice.find(L"更新日\t"), std::wstring::npos);
    EXPECT_NE(notice.find(L"作成日\t"), std::wstring::npos);

    caption.clear();
    EXPECT_EQ(AnswerModals([&] { PressAlt('?'); }, {[&](HWND box) {
        caption = WindowText(box);
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    }}), 1);
    EXPECT_EQ(caption, L"バージョン情報") << "Alt+? opens it too";
}
