// The first-start catalogue, in the order in which it is written: rules are
// numbered by that order, and at equal priority the earlier rule wins, so the
// web-site rules of the social networks come before the rules of the browsers.
#include "core/first_start_catalogue.h"

namespace {
// ---- Business ----
constexpr CSeedRule kGeneralBusinessRules[] = {Program("infopath.exe"), Program("onenote.exe"), Program("mspub.exe")};
constexpr CSeedRule kAccountingRules[] = {Program("excel.exe"), Program("msaccess.exe")};
constexpr CSeedRule kProjectManagementRules[] = {Program("winproj.exe")};
constexpr CSeedTask kBusinessTasks[] = {
    {"General [Business]", "General task for business activity", kGeneralBusinessRules},
    {"Accounting", "Accounting task for business activity", kAccountingRules},
    {"Administration", "Administration task for business activity", {}},
    {"Customer Relations", "Customer Relations task for business activity", {}},
    {"Marketing", "Marketing task for business activity", {}},
    {"Project Management", "Project Management task for business activity", kProjectManagementRules},
    {"Sales", "Sales task for business activity", {}},
};

// ---- Communication & Scheduling ----
constexpr CSeedRule kEmailRules[] = {Program("outlook.exe"), Site("https://mail.google.com")};
constexpr CSeedRule kMessagingRules[] = {Program("viber.exe"), Program("skype.exe"), Program("icq.exe"),
                                         Program("msnmsgr.exe")};
constexpr CSeedTask kCommunicationTasks[] = {
    {"General [Communication]", "General task for communication activity", {}},
    {"Calendars", "Calendars task for communication activity", {}},
    {"Email", "Email task for communication activity", kEmailRules},
    {"Instant Messages & Chats", "Instant Messages & Chats task for communication activity", kMessagingRules},
    {"Meetings", "Meetings task for communication activity", {}},
};

// ---- Social Networking ----
constexpr CSeedRule kSocialSiteRules[] = {
    Site("https://twitter.com"),       Site("https://plus.google.com"),
    Site("https://www.facebook.com"),  Site("https://www.linkedin.com"),
    Site("https://www.pinterest.com"), Site("https://www.instagram.com"),
    Site("https://www.tumblr.com"),    Site("http://vk.com"),
    Site("https://www.flickr.com"),
};
constexpr CSeedTask kSocialTasks[] = {
    {"General [Social Networking]", "General task for social networking activity", kSocialSiteRules},
    {"Professional Networking", "Professional Networking task for social networking activity", {}},
};

// ---- Design & Composition ----
constexpr CSeedRule kEngineeringRules[] = {Program("visio.exe")};
constexpr CSeedRule kGraphicDesignRules[] = {Program("photoshop.exe"), Program("mspaint.exe")};
constexpr CSeedRule kPresentationRules[] = {Program("powerpnt.exe")};
constexpr CSeedRule kWritingRules[] = {Program("notepad++.exe"), Program("notepad.exe"), Program("winword.exe")};
constexpr CSeedTask kDesignTasks[] = {
    {"General [Design]", "General task for design and composition activity", {}},
    {"Audio Editing", "Audio Editing task for design and composition activity", {}},
    {"Engineering & Drafting", "Engineering & Drafting task for design and composition activity", kEngineeringRules},
    {"Graphic Design", "Graphic Design task for design and composition activity", kGraphicDesignRules},
    {"Presentation", "Presentation task for design and composition activity", kPresentationRules},
    {"Video Editing", "Video Editing task for design and composition activity", {}},
    {"Writing", "Writing task for design and composition activity", kWritingRules},
};

// ---- Entertainment ----
constexpr CSeedRule kMusicRules[] = {Program("winamp.exe")};
constexpr CSeedRule kPhotosRules[] = {Program("dllhost.exe")};
constexpr CSeedRule kVideoRules[] = {Program("wmplayer.exe"), Program("winplayer.exe"), Program("quicktimeplayer.exe"),
                                     Site("https://www.youtube.com")};
constexpr CSeedTask kEntertainmentTasks[] = {
    {"General [Entertainment]", "General task for entertainment activity", {}},
    {"Games", "Games task for entertainment activity", {}},
    {"Music", "Music task for entertainment activity", kMusicRules},
    {"Photos", "Photos task for entertainment activity", kPhotosRules},
    {"Video", "Video task for entertainment activity", kVideoRules},
};

// ---- News & Opinion & Guides ----
constexpr CSeedTask kNewsTasks[] = {
    {"General [News & Opinion & Guides]", "General task for News & Opinion & Guides project", {}},
    {"Business", "Business task for News & Opinion & Guides project", {}},
    {"Entertainment", "Entertainment task for News & Opinion & Guides project", {}},
    {"International", "International task for News & Opinion & Guides project", {}},
    {"Science & Technology", "Science & Technology task for News & Opinion & Guides project", {}},
    {"Society", "Society task for News & Opinion & Guides project", {}},
    {"Sports", "Sports task for News & Opinion & Guides project", {}},
};

// ---- Learning & Reference ----
constexpr CSeedTask kLearningTasks[] = {
    {"General [Learning & Reference]", "General task for Learning & Reference project", {}},
    {"Business & Finance", "Business & Finance task for Learning & Reference project", {}},
    {"Engineering & Technology", "Engineering & Technology task for Learning & Reference project", {}},
    {"Employment", "Employment task for Learning & Reference project", {}},
    {"Food", "Food task for Learning & Reference project", {}},
    {"Health & Medicine", "Health & Medicine task for Learning & Reference project", {}},
    {"Home & Garden", "Home & Garden task for Learning & Reference project", {}},
    {"Legal", "Legal task for Learning & Reference project", {}},
    {"Maps", "Maps task for Learning & Reference project", {}},
    {"Search", "Search task for Learning & Reference project", {}},
};

// ---- Software Development ----
constexpr CSeedRule kProgrammingRules[] = {Program("wdexpress.exe"), Program("devenv.exe"), Program("javaw.exe")};
constexpr CSeedRule kCodeReviewRules[] = {Program("bcompare.exe")};
constexpr CSeedTask kSoftwareTasks[] = {
    {"General [Software Development]", "General task for software development project", {}},
    {"Analysis & Data Modeling", "Analysis & Data Modeling task for software development project", {}},
    {"Design & Planning", "Design & Planning task for software development project", {}},
    {"Programming", "Programming task for software development project", kProgrammingRules},
    {"Quality Assurance", "Quality Assurance task for software development project", {}},
    {"Code Review", "Code Review task for software development project", kCodeReviewRules},
};

// ---- Shopping ----
constexpr CSeedTask kShoppingTasks[] = {
    {"General [Shopping]", "General task for shopping project", {}},
    {"Office", "Office task for shopping project", {}},
    {"Personal", "Personal task for shopping project", {}},
};

// ---- Utilities ----
constexpr CSeedRule kGeneralUtilitiesRules[] = {Program("explorer.exe"), Program("taskmgr.exe"),
                                                Program("rundll32.exe"), Program("calc.exe"), Program("totalcmd.exe")};
constexpr CSeedRule kBrowserRules[] = {Program("opera.exe"), Program("iexplore.exe"), Program("chrome.exe"),
                                       Program("firefox.exe"), Program("safari.exe")};
constexpr CSeedRule kAdministrationRules[] = {Program("qlo.exe")};
constexpr CSeedTask kUtilitiesTasks[] = {
    {"General [Utilities]", "General task for utilities project", kGeneralUtilitiesRules},
    {"Antivirus & Spyware", "Antivirus & Spyware task for utilities project", {}},
    {"Web browsers", "Web browsers task for utilities project", kBrowserRules},
    {"Other", "Other task for utilities project", {}},
    {"QLO administration", "Orvanta administration", kAdministrationRules},
};

constexpr CSeedTask kDefaultTask = {"Uncategorized", "Default task for uncategorized activities", {}};
constexpr CSeedProject kDefaultProject = {"Uncategorized",
                                          "Default project for uncategorized activities",
                                          "%s (%i) Add Default Project failed with %i",
                                          0,
                                          {}};

constexpr CSeedProject kProjects[] = {
    {"Offline", "No activity", "%s (%i) Add Offline Project failed with %i", 130, {}},
    {"Locked", "Locked state", "%s (%i) Add Locked Project failed with %i", 132, {}},
    {"Idle", "Idle state", "%s (%i) Add Idle Project failed with %i", 136, {}},
    {"Business", "Business", "%s (%i) Add Business Project failed with %i", 0, kBusinessTasks},
    {"Communication & Scheduling", "Communication & Scheduling", "%s (%i) Add Project failed with %i", 0,
     kCommunicationTasks},
    {"Social Networking", "Social Networking", "%s (%i) Add Project failed with %i", 0, kSocialTasks},
    {"Design & Composition", "Design & Composition", "%s (%i) Add Design & Composition Project failed with %i", 0,
     kDesignTasks},
    {"Entertainment", "Entertainment", "%s (%i) Add Entertainment Project failed with %i", 0, kEntertainmentTasks},
    {"News & Opinion & Guides", "News & Opinion & Guides", "%s (%i) Add News & Opinion & Guides Project failed with %i",
     0, kNewsTasks},
    {"Learning & Reference", "Learning & Reference", "%s (%i) Add Learning & Reference Project failed with %i", 0,
     kLearningTasks},
    {"Software Development", "Software Development", "%s (%i) Add Software Development Project failed with %i", 0,
     kSoftwareTasks},
    {"Shopping", "Shopping", "%s (%i) Add Shopping Project failed with %i", 0, kShoppingTasks},
    {"Utilities", "Utilities", "%s (%i) Add Utilities Project failed with %i", 0, kUtilitiesTasks},
};

constexpr CSeedProject kLastProject = {
    "Miscellaneous", "Miscellaneous", "%s (%i) Add Miscellaneous Project failed with %i", 0, {}};
}  // namespace

const CSeedProject& DefaultSeedProject() { return kDefaultProject; }
const CSeedTask& DefaultSeedTask() { return kDefaultTask; }
std::span<const CSeedProject> SeedProjects() { return kProjects; }
const CSeedProject& LastSeedProject() { return kLastProject; }
