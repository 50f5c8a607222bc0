#pragma once
// The messenger reader: when the messenger's main window is in front, the
// activity's title becomes the title of the conversation open in that window,
// then " :", then the messenger account taken from the main window's title
// (the text after its first hyphen). A change of conversation thus starts a
// new activity.
//
// Works only on window classes and titles through the desktop service: the
// main window is the top-level window of class "tSkMainForm", its
// conversation panes are child windows of class "TConversationForm", and the
// executable is "skype.exe".
//
// One reader per capture, on the capturing thread. It may borrow the
// capture's title buffer as the main window's title; it never frees it.

#include "log/auto_char_buffer.h"
#include "platform/desktop.h"

class CSkypePlugin {
public:
    // `mainTitle`: the capture's title buffer holding the window's title, or
    // null to read the title from the window when needed.
    CSkypePlugin(WindowHandle window, char* mainTitle) : m_mainTitle(mainTitle), m_window(window) {}
    virtual ~CSkypePlugin() = default;
    CSkypePlugin(const CSkypePlugin&) = delete;
    CSkypePlugin& operator=(const CSkypePlugin&) = delete;

    // 1 the window is the messenger's main window and the file name (lower-
    // cased in place then) begins with "skype.exe"; 0 otherwise; -1 no file
    // name; -8 no window. The lengths and the path are not needed.
    int IsSkypeWindow(char* fileName, int fileNameLength, const char* path, int pathLength);
    // Composes the conversation title into `buffer`: the first visible
    // conversation's title (room is kept for up to 64 characters of the
    // account), " :", and the account, cut so that the whole stays within
    // size - 1 characters and its terminator. The account is read before the
    // buffer is touched, so the buffer may hold the main title itself.
    // 1 composed; 0 no account in the main title or no visible conversation;
    // -1 buffer null or size below 1; -8 no window.
    int GetConversationTitle(char* buffer, int size);
    // The title of the first visible conversation pane of the main window
    // (at most size - 1 characters). 1 read; 0 no visible pane; -1 buffer
    // null or size below 1; -8 no window; -52 the window is not the
    // messenger's main window.
    int FindConversation(char* buffer, int size);
    // Takes everything after the first hyphen of the main title (the blank
    // after it included) as the account. 1 found; 0 no hyphen; -4 no memory;
    // -8 no main title.
    int ParseUserPart();
    // The main title (borrowed, or read from the window once), or null when
    // the window has none.
    const char* GetMainTitle();
    // The account found by ParseUserPart, "" before.
    const char* GetUserPart() const { return m_userPart.Get() ? m_userPart.Get() : ""; }

private:
    // True when the window is the top-level messenger main window.
    bool IsMainWindow();

    CAutoCharBuffer m_userPart;
    char* m_mainTitle;
    CAutoCharBuffer m_ownedTitle;  // the main title when none was borrowed
    WindowHandle m_window;
};
