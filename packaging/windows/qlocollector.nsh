; The collector's own steps in the installer and the uninstaller, inserted
; into CPack's NSIS script (packaging/CMakeLists.txt says where).
;
; Installer switches: /S silent; /D=<folder> another install folder;
; /ALLUSERS start the collector at every user's login instead of only the
; installing user's (for administrators who deploy it).
; Uninstaller switches: /S silent; /REMOVEDATA also delete the user's
; recorded data and the settings (asked for when not silent).

!include LogicLib.nsh
!include FileFunc.nsh

; The settings the collector reads, in the 32-bit view of HKLM (the view of
; this 32-bit installer and of the 32-bit collector).
!define QLO_SETTINGS_KEY "SOFTWARE\Belvane\Orvanta"
!define QLO_RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define QLO_RUN_VALUE "QLOCollector"
!define QLO_REPORT_FILE "%TEMP%\Orvanta activity report.html"
!define MUI_STARTMENUPAGE_DEFAULTFOLDER "Orvanta"

; A collector running from the install folder (an update) is asked to stop
; in order, saving the activity in progress, before its program is replaced.
!macro QLO_STOP_COLLECTOR
  ${If} ${FileExists} "$INSTDIR\qloctl.exe"
    nsExec::Exec '"$INSTDIR\qloctl.exe" close'
    Pop $0
  ${EndIf}
!macroend

; QLO_DEFAULT_DWORD <name> <value>: writes the number unless the settings
; hold it already.
!macro QLO_DEFAULT_DWORD NAME VALUE
  ClearErrors
  ReadRegDWORD $0 HKLM "${QLO_SETTINGS_KEY}" "${NAME}"
  ${If} ${Errors}
    WriteRegDWORD HKLM "${QLO_SETTINGS_KEY}" "${NAME}" ${VALUE}
  ${EndIf}
!macroend

!macro QLO_INSTALL
  SetRegView 32
  ; "Path" names the install folder; one naming a folder that is gone (an
  ; earlier installation removed) counts as missing.
  ReadRegStr $0 HKLM "${QLO_SETTINGS_KEY}" "Path"
  ${If} $0 == ""
  ${OrIfNot} ${FileExists} "$0\*.*"
    WriteRegStr HKLM "${QLO_SETTINGS_KEY}" "Path" "$INSTDIR"
  ${EndIf}
  ; Seed the default catalogue on the first start; normal progress messages.
  !insertmacro QLO_DEFAULT_DWORD "First Start" 1
  !insertmacro QLO_DEFAULT_DWORD "QLOCollector Log Level" 1

  ; The collector runs in the user's session from login on: the installing
  ; user's, or every user's. The latest installation decides which.
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/ALLUSERS" $0
  ${If} ${Errors}
    DeleteRegValue HKLM "${QLO_RUN_KEY}" "${QLO_RUN_VALUE}"
    WriteRegStr HKCU "${QLO_RUN_KEY}" "${QLO_RUN_VALUE}" '"$INSTDIR\QLOCollector.exe"'
  ${Else}
    DeleteRegValue HKCU "${QLO_RUN_KEY}" "${QLO_RUN_VALUE}"
    WriteRegStr HKLM "${QLO_RUN_KEY}" "${QLO_RUN_VALUE}" '"$INSTDIR\QLOCollector.exe"'
  ${EndIf}

  ; Lets this user's browsers start the extension's host (the extension
  ; itself is loaded by hand).
  nsExec::Exec '"$INSTDIR\qloctl.exe" install-browser-host'
  Pop $0
!macroend

!macro QLO_CREATE_SHORTCUTS
  ; Writes the report of today so far and opens it in the default
  ; browser; a failure (no data yet) stays on screen.
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Activity report.lnk" "$SYSDIR\cmd.exe" \
    '/c ""$INSTDIR\qloreport.exe" html -o "${QLO_REPORT_FILE}" && start "" "${QLO_REPORT_FILE}" || pause"' \
    "$INSTDIR\QLOCollector.exe" 0
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\QLOCollector.lnk" "$INSTDIR\QLOCollector.exe"
!macroend

; Inserted twice by the template, once for each place the folder may be in.
!macro QLO_DELETE_SHORTCUTS
  Delete "$SMPROGRAMS\$MUI_TEMP\Activity report.lnk"
  Delete "$SMPROGRAMS\$MUI_TEMP\QLOCollector.lnk"
!macroend

!macro QLO_UNINSTALL
  ; The close handshake: the collector saves the activity in progress and
  ; ends before its program is removed.
  nsExec::Exec '"$INSTDIR\qloctl.exe" close'
  Pop $0
  nsExec::Exec '"$INSTDIR\qloctl.exe" uninstall-browser-host'
  Pop $0
  SetRegView 32
  DeleteRegValue HKCU "${QLO_RUN_KEY}" "${QLO_RUN_VALUE}"
  DeleteRegValue HKLM "${QLO_RUN_KEY}" "${QLO_RUN_VALUE}"

  ; The recorded data stays unless asked for.
  StrCpy $2 0
  ${un.GetParameters} $1
  ClearErrors
  ${un.GetOptions} $1 "/REMOVEDATA" $0
  ${IfNot} ${Errors}
    StrCpy $2 1
  ${ElseIfNot} ${Silent}
    ${If} ${Cmd} `MessageBox MB_YESNO|MB_DEFBUTTON2|MB_ICONQUESTION "Also delete your recorded activity, catalogue and logs, and the collector's settings?" IDYES`
      StrCpy $2 1
    ${EndIf}
  ${EndIf}
  ${If} $2 == 1
    SetShellVarContext current
    RMDir /r "$APPDATA\Orvanta"
    SetShellVarContext all
    DeleteRegKey HKLM "${QLO_SETTINGS_KEY}"
  ${EndIf}
!macroend
