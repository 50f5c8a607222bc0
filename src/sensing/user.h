#pragma once
// The account a program runs under: domain (or computer) name and user name.
// Each text lives in a field of 512 characters (at most 511 and the
// terminator). Values, copied deeply; not thread-safe.

class CUser {
public:
    static constexpr int kTextSize = 512;

    CUser() = default;
    // Both fields empty unless both texts are given; then each is copied
    // (at most 511 characters).
    CUser(const char* domain, const char* name);

    // Replaces both fields as the constructor does.
    void Set(const char* domain, const char* name);
    // Both fields empty.
    bool IsEmpty() const { return m_domain[0] == '\0' && m_name[0] == '\0'; }

    const char* GetDomain() const { return m_domain; }
    const char* GetName() const { return m_name; }

private:
    char m_domain[kTextSize] = {};
    char m_name[kTextSize] = {};
};

// The account that runs the collector: empty at program start, filled once
// when the collector starts up and copied into every activity before it is
// captured. Written only by the thread that starts the collector, before the
// worker thread runs.
extern CUser g_currentUser;
