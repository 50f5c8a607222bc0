#pragma once
// The commands of the control program: those the collector is sent (close,
// reload the rules, rules on and off, pause and resume) and those the
// program carries out itself.

enum class EControlCommand {
    Close,                 // close: an orderly stop of the collector
    ReloadRules,           // reload-rules: read the categorisation rules again
    RulesOn,               // rules on: categorise new activities
    RulesOff,              // rules off: store new activities without project and task
    Pause,                 // pause [DURATION]: capture nothing for a while, or until the end of the day
    Resume,                // resume: end a pause now
    InstallBrowserHost,    // install-browser-host: the browsers' manifests of qlo-browser-host
    UninstallBrowserHost,  // uninstall-browser-host: those manifests removed
};
