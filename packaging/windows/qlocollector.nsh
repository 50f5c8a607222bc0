; The collector's own steps in the installer and the uninstaller, inserted
; into CPack's NSIS script (packaging/CMakeLists.txt says where).
;
; Installer switches: /S silent; /D=<folder> another install folder (given
; the rights of Program Files);
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

; The rights of Program Files: owned by the Administrators, nothing
; inherited from above, full control for SYSTEM and the Administrators, read
; and run (0x1200a9) for the Users.
!define QLO_PROGRAM_FILES_SDDL "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"

; The installer runs with an administrator's rights and runs qloctl.exe
; from the install folder, and every login (every user's, with /ALLUSERS)
; starts the collector from there: a folder that ordinary users may change
; (a /D= naming one) would let any of them have their own program run that
; way. So whatever /D= names, the folder gets the rights of Program Files,
; and everything already in it (owner included) is reset to inherit only
; those; a folder whose rights cannot be set is refused.
!macro QLO_SECURE_FOLDER
  StrCpy $0 1
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${QLO_PROGRAM_FILES_SDDL}", i 1, *p .r1, p 0) i .r2'
  ${If} $2 != 0
    System::Call 'advapi32::GetSecurityDescriptorOwner(p r1, *p .r3, *i .r4) i .r2'
    System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r4, *p .r5, *i .r6) i .r2'
    ; SE_FILE_OBJECT; owner, DACL and a protected DACL; explicit rights of
    ; what is inside are not kept.
    System::Call 'advapi32::TreeResetNamedSecurityInfoW(w "$INSTDIR", i 1, i 0x80000005, p r3, p 0, p r5, p 0, i 0, p 0, i 0, p 0) i .r0'
    System::Call 'kernel32::LocalFree(p r1)'
  ${EndIf}
  ${If} $0 != 0
    MessageBox MB_ICONSTOP|MB_OK "The rights of $INSTDIR cannot be made those of Program Files (error $0): other users could change the programs installed there. Choose another folder." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
!macroend

; A collector running from the install folder (an update) is asked to stop
; in order, saving the activity in progress, before its program is replaced.
; The installer's own qloctl asks: nothing the folder held before is run.
!macro QLO_STOP_COLLECTOR
  InitPluginsDir
  File "/oname=$PLUGINSDIR\qloctl.exe" "${INST_DIR}\qloctl.exe"
  nsExec::Exec '"$PLUGINSDIR\qloctl.exe" close'
  Pop $0
!macroend

; Before anything is copied into the install folder.
!macro QLO_PREINSTALL
  !insertmacro QLO_SECURE_FOLDER
  !insertmacro QLO_STOP_COLLECTOR
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
