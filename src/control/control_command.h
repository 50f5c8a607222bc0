#pragma once
// The commands of the control program: those the collector is sent (close,
// reload the rules, rules on and off) and those the program carries out
// itself.

enum class EControlCommand {
    Help,                  // --help: print the usage
    Close,                 // close: an orderly stop of the collector
    ReloadRules,           // reload-rules: read the categorisation rules again
    RulesOn,               // rules on: categorise new activities
    RulesOff,              // rules off: store new activities without project and task
    InstallBrowserHost,    // install-browser-host: the browsers' manifests of qlo-browser-host
    UninstallBrowserHost,  // uninstall-browser-host: those manifests removed
};
