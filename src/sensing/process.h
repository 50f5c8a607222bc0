#pragma once
// The process record: which program owns a window.
//
// CProcess holds the process id, the executable's file name (without folder,
// for example "chrome.exe") and its full path; CWinProcess adds the title of
// the window through which the process was found. Texts live in fixed-size
// fields (room for the terminator included) and every copy into them is cut
// to the field, never splitting a UTF-8 character on Linux. Copies are deep.
// Values: built per capture and shared with nobody; not thread-safe.

#include <cstdint>

#include "log/error_base.h"

// Stand-in names for a process whose file name or path no method found.
inline constexpr const char kSystemFileName[] = "[SYSTEM]";
inline constexpr const char kSystemPath[] = "[SYSTEM PROCESS]";
// The program, title and path of time whose program the user keeps private:
// no real process has a path that is not absolute, so "[PRIVATE]" names no
// program of the machine.
inline constexpr const char kPrivateText[] = "private";
inline constexpr const char kPrivatePath[] = "[PRIVATE]";

class CProcess : public CErrorBase {
public:
    static constexpr int kFileNameSize = 261;  // up to 260 characters
    static constexpr int kPathSize = 261;      // up to 260 characters

    // Stores the id; both texts empty.
    explicit CProcess(uint32_t processId = 0);
    // Copies the id and both texts (not the last failure).
    CProcess(const CProcess& other);
    CProcess& operator=(const CProcess& other);
    ~CProcess() override = default;

    // Names the process of the stored id: fills the file name and the path.
    // 1 named; a value below 1 when no way to name it succeeded.
    virtual int Resolve() = 0;
    // Empties the file name and the path.
    virtual void Clear();

    uint32_t GetProcessId() const { return m_processId; }
    void SetProcessId(uint32_t processId) { m_processId = processId; }
    const char* GetFileName() const { return m_fileName; }
    const char* GetPath() const { return m_path; }
    // Copy at most the field's capacity; a null text empties the field.
    void SetFileName(const char* fileName);
    void SetPath(const char* path);

protected:
    uint32_t m_processId = 0;
    char m_fileName[kFileNameSize] = {};
    char m_path[kPathSize] = {};
};

class CWinProcess : public CProcess {
public:
    static constexpr int kTitleSize = 262;  // up to 261 characters

    // Stores the id and, when one is given, the title (at most 261 characters).
    explicit CWinProcess(uint32_t processId = 0, const char* title = nullptr);
    CWinProcess(const CWinProcess& other) = default;
    CWinProcess& operator=(const CWinProcess& other) = default;

    // Tries the process service's three naming methods in turn, each only
    // when the one before failed: the process snapshot, the module list, the
    // management query. They write into the same two fields, so what an
    // earlier one found stays unless a later one overwrites it. A file name
    // or path still empty at the end becomes "[SYSTEM]" or "[SYSTEM PROCESS]".
    // Returns the result of the last method tried.
    int Resolve() override;
    // Empties the file name, the path and the title.
    void Clear() override;

    const char* GetTitle() const { return m_title; }
    // The title becomes the first `length` characters of `text`, at most 261;
    // a length below 1 means the whole text. A null text empties the title.
    void SetTitle(const char* text, int length = 0);

protected:
    char m_title[kTitleSize] = {};
};
