// A fixture that starts the window program as its entry function does, in a
// fresh current directory (where its settings file lives), and tools to drive
// it: the message loop's handling of queued messages, commands, drops, and
// answering the modal dialogs and message boxes that commands open.
#pragma once

#include "app_state.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// What a message box shows: its text, caption and owner, and whether No is
// its default button.
struct MessageSeen {
    std::wstring text;
    std::wstring caption;
    HWND owner = nullptr;
    bool noIsDefault = false;
};

class ProgramTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the windows in the current directory, as a new process would.
    void StartInFolder();

    // Destroys the control window as the close box does, then the image
    // window, as the program ends.
    void EndProgram();

    // Handles every queued message as the message loop does.
    void Pump();

    // Removes the execute commands waiting in the queue and counts them.
    int TakePostedExecutes();

    void Command(UINT id, UINT notification = 0);
    void Select(int comboId, int index);

    // Selects the contrast list's item and runs the execute command.
    void ExtractWithContrast(int index);

    // The document's result as it is now.
    Picture Result();
    bool MenuEnabled(UINT id);
    bool MenuChecked(UINT id);
    bool ButtonEnabled(int id);
    std::wstring ComboItem(int comboId, int index);
    COLORREF PixelOf(HWND hwnd, int x, int y);

    // Writes the picture as a BMP file in the test's folder and returns its path.
    std::string WritePicture(const Picture& picture, const std::string& name);

    // Loads the picture as opening a file does.
    void Load(const Picture& picture);

    // A document of the test's own holding the picture Load last wrote,
    // extracted once with these options: what the program's document holds
    // after the same choices.
    std::unique_ptr<ImageDocument> ExtractedApart(LineStyle style, int thickness, int contrast, bool noise);

    // Sends a drop of the files (UTF-8 paths) to the window as the shell
    // does, the names in UTF-16.
    void Drop(HWND hwnd, const std::vector<std::string>& paths);

    // The image window's client area as it is painted, also where the
    // control window lies on it.
    Picture ShownInImageWindow();

    // Presses a key combination in the image window and handles the
    // messages that follow: Ctrl with a virtual key, or Alt with a character.
    void PressCtrl(int key);
    void PressAlt(char character);

    // Mouse input to a window, at points of its client area: a turn of the
    // wheel by delta with the keys (MK_CONTROL, MK_SHIFT) held, and a drag
    // with the left button.
    void TurnWheel(HWND hwnd, POINT point, int delta, WPARAM keys = 0);
    void Drag(HWND hwnd, POINT from, POINT to);

    // Real input, as the keyboard and the mouse give it: a key goes to the
    // window that has the keyboard, a click to the window under the mouse.
    // Each handles the messages that follow. A key is pressed and released,
    // inside the modifier (VK_CONTROL) when one is given.
    void TypeKey(WORD key, WORD modifier = 0);
    void ClickAt(HWND hwnd, POINT client);
    void ClickButton(int id);

    // Types Escape where the keyboard is, answering the question a close
    // may ask with the button given; how many questions were asked.
    int TypeEscape(MessageSeen& question, int button = IDNO);

    // Whether every part of the control window is in view, no other window
    // on it.
    bool ControlWindowInView();

    // Runs trigger; each modal window it opens (dialog or message box of this
    // thread) is handed to the next of the answers, which must close it.
    // Returns how many modal windows were answered. In every test, a modal
    // window left without an answer for 5 s fails the test, naming it and
    // the window's text, and is closed.
    int AnswerModals(const std::function<void()>& trigger, std::vector<std::function<void(HWND)>> answers);

    // Runs the save command, answering its dialog with name (empty: cancel)
    // and reading the message that follows; the name the dialog proposed.
    std::wstring Save(const std::string& name, MessageSeen* message = nullptr);

    std::string folder;
    HACCEL accelerators = nullptr;
    int quitCode = -1;

private:
    void SendAndHandle(std::vector<INPUT> inputs);
};

// Holds a key down in this thread's keyboard state while it lives, as the
// accelerators read it.
class HeldKey {
public:
    explicit HeldKey(int virtualKey);
    ~HeldKey();
    HeldKey(const HeldKey&) = delete;
    HeldKey& operator=(const HeldKey&) = delete;

private:
    BYTE saved[256] = {};
};

// Empties the clipboard, then puts the picture on it as a bitmap unless it
// is empty.
void PutOnClipboard(const Picture& picture);

// Removes a folder and everything in it, also past 260 characters, where
// the wide calls reach and std::filesystem under Wine does not.
void RemoveTree(const std::wstring& folder);

// UTF-16 from UTF-8, whatever the process code page.
std::wstring Wide(const std::string& utf8);

// Whether a file or folder of that UTF-8 name exists, asked in UTF-16.
bool ExistsWide(const std::string& utf8);

std::wstring WindowText(HWND hwnd);
std::wstring ItemText(HWND dialog, int id);

// Keeps what a message box shows, then closes it with the button given.
std::function<void(HWND)> ReadMessage(MessageSeen& seen, int button = IDOK);

// The file name box of the open and save dialogs.
constexpr int FileNameBox = 0x47C;

// The path with backslashes, as the dialogs show it.
std::string Native(std::string path);

// Answers a file dialog: chooses the save type given (its place in the
// list), remembers the proposed name, then types name and confirms, or
// cancels when name is empty.
std::function<void(HWND)> AnswerFileDialog(std::wstring& proposed, const std::string& name, int type = 0);
