#pragma once
// The user's private programs, sites and titles: patterns that keep what a
// capture saw out of everything the collector writes.
//
// Each pattern belongs to one subject and one level:
//   Program  the executable's file name ("keepassxc", "signal.exe"); a
//            pattern holding '/' or '\' is matched against the full path
//   Site     the host of the address, and each domain above it, so that
//            "bank.example" also covers "www.bank.example"; a pattern
//            holding '/' is matched against the address without its
//            scheme ("mail.example/u/1/*")
//   Title    the whole window title (the conversation's title for the
//            messenger)
// and the level says how much of a matching capture is kept:
//   Details  the time and the program: the title becomes "private", the
//            address goes
//   Nothing  the time only: the program becomes the private pseudo-process
//            as well (CActivity::HidePrivateProgram)
// When patterns of both levels match, Nothing wins.
//
// Syntax: the pattern must match the whole text; '*' stands for any run of
// characters, none included ("*bank*" finds the word anywhere); the letters
// A to Z match either case, every other byte only itself. A list is one
// text of patterns separated by ';', blanks around each ignored.
//
// The patterns are lower-cased and kept once, when the lists are set; Apply
// allocates nothing. Not thread-safe: the owner serialises SetList and
// Apply.

#include <string>
#include <string_view>
#include <vector>

#include "sensing/activity.h"

enum class PrivacySubject : int { Program = 0, Site = 1, Title = 2 };
enum class PrivacyLevel : int { None = 0, Details = 1, Nothing = 2 };

class CPrivacyRules {
public:
    static constexpr int kSubjects = 3;
    static constexpr int kLevels = 2;  // Details and Nothing

    // Replaces the patterns of one subject and level with those of `list`
    // (nullptr or "" leaves none). Level None is ignored.
    void SetList(PrivacySubject subject, PrivacyLevel level, const char* list);
    // How many patterns a subject has at a level.
    int Count(PrivacySubject subject, PrivacyLevel level) const;
    bool Empty() const;

    // The strongest level whose patterns match `activity`.
    // `addressUnknown`: the program is a browser that gave no address (a
    // page still loading or not yet reported by the extension, a private
    // window, a browser without the extension): while site patterns exist,
    // its page may be one of them, and it is kept back at Details.
    PrivacyLevel LevelOf(const CActivity& activity, bool addressUnknown) const;
    // Hides what LevelOf's level says (nothing for None); its level.
    PrivacyLevel Apply(CActivity& activity, bool addressUnknown) const;

private:
    struct CPattern {
        std::string text;   // lower-cased, runs of '*' made one
        bool wholeAddress;  // Site: holds '/'; Program: holds '/' or '\'
    };
    using Patterns = std::vector<CPattern>;

    const Patterns& Of(PrivacySubject subject, PrivacyLevel level) const {
        return m_patterns[static_cast<int>(subject)][static_cast<int>(level) - 1];
    }
    bool Matches(PrivacyLevel level, const CActivity& activity) const;

    Patterns m_patterns[kSubjects][kLevels];
};
