// The help dialog's pages and the version box.
#include "program_fixture.h"
#include "resource.h"
#include "window_geometry.h"

namespace {

const std::wstring Steps =
    L"操作手順\r\n\r\n▼１．\r\n<開く> ボタンで画像を開きます。\r\n\r\n\r\n▼２．\r\n<実行> ボタンで線画を抽出します。"
    L"\r\n\r\n\r\n▼３．\r\n<保存> ボタンで抽出した線画をbmp形式で保存できます。\r\n";

const std::wstring Features =
    L"便利な機能\r\n\r\n▼オート抽出\r\nメニューから ツール → オート抽出 を選択すると\r\n"
    L"オプションを変更する度に、リアルタイムに線画の抽出が行われます。\r\n\r\n\r\n"
    L"▼Ｄ＆Ｄ\r\nドラッグ・アンド・ドロップによって、画像を開くことができます。\r\n\r\n\r\n"
    L"▼クリップボードから貼り付け\r\nメニューから 編集 → クリップボードから貼り付け を選択すると\r\n"
    L"クリップボードの画像を貼り付けることができます。\r\n\r\n\r\n"
    L"▼クリップボードへコピー\r\nメニューから 編集 → クリップボードへコピー を選択すると\r\n"
    L"抽出した線画をクリップボードへコピーできます。\r\n\r\n\r\n"
    L"▼拡大表示・縮小表示\r\nメニューの 表示 → 拡大表示 / 縮小表示 のほか、Ctrl + ＋ / Ctrl + － や\r\n"
    L"Ctrl を押しながらのマウスホイールでも表示倍率を変えられます。\r\n\r\n\r\n"
    L"▼スクロール\r\n画像が画面に収まらないときは、マウスホイール（Shift を押しながらで横）や\r\n"
    L"左ボタンでのドラッグで、見える場所を動かせます。\r\n";

const std::wstring Options =
    L"オプション\r\n\r\n▼ゴミ除去\r\nONにすると、線画とは関係の無い点を消します。\r\n"
    L"（これにより、綺麗に線画を抽出できる事があります)\r\n\r\n\r\n▼線の太さ\r\n"
    L"線画の線の太さを変更できます。\r\n\r\n\r\n▼コントラスト\r\n色の変化をどこまで認識するかを設定できます。\r\n"
    L"<１> にするほど小さな色の変化でも抽出します。\r\n<16> にするほど大きい色の変化で抽出します。\r\n";

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
    EXPECT_EQ(pages, (std::vector<std::wstring>{Steps, Features, Options, Options, Steps, Features}));
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
    int titleHeight = 0, versionHeight = 0, dpi = 0;
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
        titleHeight = FontHeight(box, IDC_ABOUT_TITLE);
        versionHeight = FontHeight(box, IDC_ABOUT_VERSION);
        dpi = WindowDpi(box);
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
    EXPECT_EQ(titleHeight, 14 * dpi / 96) << "fonts follow the DPI";
    EXPECT_EQ(versionHeight, 12 * dpi / 96);

    caption.clear();
    EXPECT_EQ(AnswerModals([&] { PressAlt('?'); }, {[&](HWND box) {
        caption = WindowText(box);
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    }}), 1);
    EXPECT_EQ(caption, L"バージョン情報") << "Alt+? opens it too";
}
