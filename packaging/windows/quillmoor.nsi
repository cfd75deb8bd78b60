; The Windows installer, quillmoor-<version>-setup.exe, built by Debian's
; makensis from the cross-built saver (cmake/windows.cmake does it):
;
;   makensis -DVERSION=1.0.0 -DSCR=quillmoor.scr -DICON=quillmoor.ico
;            -DLICENSE=LICENSE.txt -DWIZARD_BITMAP=wizard.bmp
;            -DOUTFILE=quillmoor-1.0.0-setup.exe quillmoor.nsi
;
; wizard.bmp, the picture of the welcome and finish pages, is cut from the
; README's picture:
;   convert docs/quillmoor.png -crop 376x720+720+0 +repage -resize '164x314!'
;           -type TrueColor BMP3:packaging/windows/wizard.bmp
;
; It puts the saver where Windows' Screen Saver Settings list it, can make it
; the user's screen saver, and registers an uninstaller with Apps & features.
; Two ways to install:
;   for everyone  the saver in System32, whose savers the settings list for
;                 every user; needs administrator rights; the uninstaller and
;                 the licence in Program Files\Quillmoor; the entry in HKLM.
;   only me       everything in %LOCALAPPDATA%\Programs\Quillmoor, the entry
;                 in HKCU; no administrator rights. The settings list savers
;                 from System32 and the Windows folder, and besides them only
;                 the current one: so this way always makes it the user's
;                 screen saver, and it stays in the list while it is chosen.
; Command line (for deployment; /S, or /s, runs without a window):
;   /S             silent
;   /ALLUSERS      for everyone (the default for an administrator)
;   /CURRENTUSER   only me (the default for everyone else)
;   /MAKECURRENT   make it the screen saver of the user who runs the setup
;                  (the options page's check box; only me always does)
;   /D=FOLDER      last, unquoted: the folder of the uninstaller and the
;                  licence (for everyone; the saver still goes in System32),
;                  or of everything (only me). A folder that is not a full
;                  path is refused with 87.
; The uninstaller takes /S too. Exit codes: 0 done, 1 cancelled, 2 failed
; (or done without making it the screen saver, which Windows could not
; start), 87 a wrong switch, 740 administrator rights needed, 1605
; (uninstaller) nothing of Quillmoor is installed there, 1618 another setup
; of Quillmoor is running, 1638 a newer version is installed and was kept.
; The uninstaller's only come back when it runs as
; "uninstall.exe /S _?=FOLDER", which waits for it; without _?= it returns at
; once and finishes from a copy of itself in the temporary folder.
;
; Installed for everyone and for only me side by side (an administrator who
; keeps the installation for everyone when installing for only me), Apps &
; features lists the second as "Quillmoor Screensaver (only me)".
;
; Making it the current saver keeps the user's previous saver (the
; SCRNSAVE.EXE and ScreenSaveActive values of HKCU\Control Panel\Desktop) in
; HKCU\Software\Quillmoor, with the saver it was kept for and the exact
; string written to SCRNSAVE.EXE; the uninstaller puts them back if that
; string is still the current saver then (even if the saver's file has gone
; since), and leaves any other choice alone.
;
; A standard user cannot have a file deleted when Windows starts again: a
; running saver's file that an upgrade or an uninstall of only me moves aside
; is deleted by the next setup or uninstall, and by a command run once at the
; user's next sign-in.
;
; -DACCOUNT=User builds an installer that sees its account as a standard
; user's, whatever it is: Wine's only account is an administrator, so the
; tests build one to see what a standard user gets. -DNO_SHORT_NAMES builds
; one that sees its folders as on a volume without short (8.3) names.

Unicode true
; A 64-bit installer: Windows redirects neither its file system nor its
; registry, so $SYSDIR is the 64-bit System32 (never SysWOW64), where the
; 64-bit settings look for the 64-bit saver, and HKLM\Software is the 64-bit
; view that Apps & features reads. A 32-bit installer would need
; DisableX64FSRedirection and SetRegView 64 for both.
Target amd64-unicode
ManifestDPIAware true
; Administrators are asked to elevate (for everyone); standard users run it
; as they are (only me).
RequestExecutionLevel highest
SetCompressor /SOLID lzma
; No file times in the installer: the same inputs give the same bytes.
SetDateSave off

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include nsDialogs.nsh

!define PRODUCT "Quillmoor Screensaver"
!define PUBLISHER "The Quillmoor developers"
!define SAVER_FILE "quillmoor.scr"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmoor"
!define DESKTOP_KEY "Control Panel\Desktop"
!define PREVIOUS_KEY "Software\Quillmoor"
!define RUN_ONCE_KEY "Software\Microsoft\Windows\CurrentVersion\RunOnce"
!define CLEANUP_VALUE "Quillmoor leftovers"
!define SPI_SETSCREENSAVEACTIVE 17
; SPIF_UPDATEINIFILE | SPIF_SENDCHANGE: stored, and told to running programs.
!define SPIF_STORE_AND_TELL 3
!define ERROR_INVALID_PARAMETER 87
!define ERROR_ELEVATION_REQUIRED 740
!define ERROR_UNKNOWN_PRODUCT 1605
!define ERROR_INSTALL_ALREADY_RUNNING 1618
!define ERROR_PRODUCT_VERSION 1638

; The uninstaller gets the installer's version resource: its strings are
; made its own before it goes in (uninstaller_version.py beside this script).
!uninstfinalize 'python3 "${__FILEDIR__}/uninstaller_version.py" "%1" "FileDescription=${PRODUCT} Uninstaller" "InternalName=quillmoor-uninstall" "OriginalFilename=${UNINSTALLER}"' = 0
; Signed when built with -DSIGN_CERT=CERT -DSIGN_KEY=KEY (PEM files): the
; uninstaller before it goes in, the installer once written (sign.sh beside
; this script).
!ifdef SIGN_CERT
  !uninstfinalize 'sh "${__FILEDIR__}/sign.sh" "${SIGN_CERT}" "${SIGN_KEY}" "${URL}" "%1"' = 0
  !finalize 'sh "${__FILEDIR__}/sign.sh" "${SIGN_CERT}" "${SIGN_KEY}" "${URL}" "%1"' = 0
!endif

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"

Var AllUsers      ; 1 for everyone, 0 only me
Var MakeCurrent   ; 1 to make it the current saver
Var Admin         ; 1 if the setup runs with administrator rights
Var Saver         ; the installed saver's path
Var WasCurrent    ; 1 if an earlier Quillmoor was the current saver
Var ModeEveryone  ; the options page's controls
Var ModeMe
Var CurrentBox
Var UserDir       ; the folder of only me by default
Var GivenDir      ; the folder given with /D=, or empty
Var KeepEveryone  ; 1 to keep an installation for everyone beside only me
Var DoneTitle     ; the header once the files are in
Var DoneText

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD_BITMAP}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TITLE "${PRODUCT} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "This puts ${PRODUCT} on this computer: a clock built of snowflake cells telling the time, snow falling around it, a rippling colour curtain behind it, and swaying text counting down to Christmas or New Year.$\r$\n$\r$\nIt then appears in the Screen Saver Settings of Windows, and can be removed again from Apps && features.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_HEADER_TEXT "Licence"
!define MUI_PAGE_HEADER_SUBTEXT "The terms under which ${PRODUCT} is yours."
!define MUI_LICENSEPAGE_TEXT_TOP "${PRODUCT} is free software under the MIT licence:"
!define MUI_LICENSEPAGE_TEXT_BOTTOM "The licence lets you use the saver as you like; it sets the terms for passing it on or changing it."
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
Page custom OptionsPage
; Stays open when done, so that what was done can be read.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_INSTFILESPAGE_FINISHHEADER_TEXT "$DoneTitle"
!define MUI_INSTFILESPAGE_FINISHHEADER_SUBTEXT "$DoneText"
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${PRODUCT} is installed"
!define MUI_FINISHPAGE_TEXT "Windows lists it in the Screen Saver Settings, where it can be chosen and previewed and its wait set.$\r$\n$\r$\nClick Finish to close this window."
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open the Screen Saver Settings"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "This removes ${PRODUCT}: the saver $Saver and the folder below. If it is your screen saver, the one you had before comes back."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

VIAddVersionKey /LANG=${LANG_ENGLISH} ProductName "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} LegalCopyright "Copyright (C) ${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} FileDescription "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} FileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} ProductVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} InternalName "quillmoor-setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} OriginalFilename "quillmoor-${VERSION}-setup.exe"

; ---------------------------------------------------------------------------
; Shared by the installer and the uninstaller (each needs its own copy, the
; uninstaller's named un.*).

!macro SHARED_FUNCTIONS PREFIX
; Sets $Admin: whether the process has administrator rights (an elevated
; administrator's token).
Function ${PREFIX}CheckAccount
  !ifdef ACCOUNT
    StrCpy $0 "${ACCOUNT}"
  !else
    UserInfo::GetAccountType
    Pop $0
  !endif
  ${If} $0 == "Admin"
    StrCpy $Admin 1
  ${Else}
    StrCpy $Admin 0
  ${EndIf}
FunctionEnd

; IsCurrent PATH: pushes 1 if the user's screen saver is the file PATH: by
; its long or its short name (Windows compares names without case), or by
; the string the setup wrote to SCRNSAVE.EXE for PATH, which still tells it
; when the file has gone and its short name can no longer be worked out.
; Else 0.
Function ${PREFIX}IsCurrent
  Exch $0
  Push $1
  Push $2
  Push $3
  ReadRegStr $1 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  StrCpy $2 0
  ${If} $1 != ""
    ReadRegStr $3 HKCU "${PREVIOUS_KEY}" "Saver"
    ${If} $1 == $0
      StrCpy $2 1
    ${ElseIf} $3 == $0
      ReadRegStr $3 HKCU "${PREVIOUS_KEY}" "Written"
      ${If} $1 == $3
        StrCpy $2 1
      ${EndIf}
    ${EndIf}
    ${If} $2 == 0
    ${AndIf} ${FileExists} $0
      GetFullPathName /SHORT $3 $0
      ${If} $1 == $3
        StrCpy $2 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
  StrCpy $0 $2
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; LongPath PATH: pushes PATH with each short (8.3) name in it spelt out in
; full, or PATH as it is if it does not exist.
Function ${PREFIX}LongPath
  Exch $0
  Push $1
  Push $2
  System::Call 'kernel32::GetLongPathNameW(w r0, w .r1, i ${NSIS_MAX_STRLEN}) i .r2'
  ${If} $2 > 0
  ${AndIf} $2 < ${NSIS_MAX_STRLEN}
    StrCpy $0 $1
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; SameFolder A B: pushes 1 if A and B name the same folder, in their long
; forms and without case, else 0.
Function ${PREFIX}SameFolder
  Exch $1
  Exch
  Exch $0
  Push $0
  Call ${PREFIX}LongPath
  Pop $0
  Push $1
  Call ${PREFIX}LongPath
  Pop $1
  ${If} $0 == $1
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
  Exch
  Pop $1
  Exch $0
FunctionEnd

; CleanLeftovers FOLDER: deletes the files a running saver left moved aside
; in FOLDER (see RemoveFile), and the command that would do it at the next
; sign-in once none is left.
Function ${PREFIX}CleanLeftovers
  Exch $0
  ${If} ${FileExists} "$0\ns*.tmp"
    Delete "$0\ns*.tmp"
    ${IfNot} ${FileExists} "$0\ns*.tmp"
      DetailPrint "Deleted what a running saver left in $0"
    ${EndIf}
  ${EndIf}
  ${IfNot} ${FileExists} "$0\ns*.tmp"
    DeleteRegValue HKCU "${RUN_ONCE_KEY}" "${CLEANUP_VALUE}"
  ${EndIf}
  Pop $0
FunctionEnd

; RemoveFile PATH: deletes the file. A running saver's file cannot be
; deleted or replaced, but it can be renamed: it is moved aside under a name
; the settings list ignore (no .scr), while the running saver goes on until a
; key or the mouse ends it. With administrator rights, Windows deletes it when
; it next starts; a standard user cannot ask for that, so then the next setup
; or uninstall deletes it (CleanLeftovers), and a command run once at the
; next sign-in. Pushes 1 if the name is free now, else 0.
Function ${PREFIX}RemoveFile
  Exch $0
  Push $1
  Push $2
  StrCpy $2 1
  ClearErrors
  Delete $0
  ${If} ${Errors}
  ${AndIf} ${FileExists} $0
    ${GetParent} $0 $1
    GetTempFileName $1 $1
    Delete $1
    ClearErrors
    Rename $0 $1
    ${If} ${Errors}
      StrCpy $2 0
      ${If} $Admin == 1
        Delete /REBOOTOK $0
        DetailPrint "$0 is in use: it is deleted when Windows starts again"
      ${Else}
        DetailPrint "$0 is in use: it cannot be removed now"
      ${EndIf}
    ${ElseIf} $Admin == 1
      Delete /REBOOTOK $1
      DetailPrint "$0 is running: moved aside to $1, which is deleted when Windows starts again"
      ; The saver's name is free already: nothing waits for a restart.
      SetRebootFlag false
    ${Else}
      ${GetParent} $0 $0
      WriteRegStr HKCU "${RUN_ONCE_KEY}" "${CLEANUP_VALUE}" '"$SYSDIR\cmd.exe" /c del /f /q "$0\ns*.tmp" & rmdir "$0"'
      DetailPrint "The running saver is moved aside to $1: it is deleted by the next setup or uninstall of ${PRODUCT} once the saver has ended, or when you next sign in"
    ${EndIf}
  ${EndIf}
  StrCpy $0 $2
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; SetSaverActive 0|1: switches the screen saver off or on as Windows' settings
; do: for this session, and in ScreenSaveActive for the next.
Function ${PREFIX}SetSaverActive
  Exch $0
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i r0, p 0, i ${SPIF_STORE_AND_TELL})'
  Pop $0
FunctionEnd
!macroend
!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

; ---------------------------------------------------------------------------
; The installer

Function .onInit
  ; One setup at a time.
  System::Call 'kernel32::CreateMutexW(p 0, i 1, w "QuillmoorScreensaverSetup") p .r1 ?e'
  Pop $0
  ${If} $0 = 183 ; ERROR_ALREADY_EXISTS
    MessageBox MB_OK|MB_ICONEXCLAMATION "The setup of ${PRODUCT} is already running." /SD IDOK
    SetErrorLevel ${ERROR_INSTALL_ALREADY_RUNNING}
    Quit
  ${EndIf}

  ${GetParameters} $R0
  ; Windows' own switches are written /s as often as /S.
  ClearErrors
  ${GetOptions} $R0 "/S" $R1
  ${IfNot} ${Errors}
  ${AndIf} $R1 == ""
    SetSilent silent
  ${EndIf}

  ; /D= sets $INSTDIR before this runs (the setup has no folder of its own
  ; otherwise), and only to a full path: one that is not leaves it empty.
  StrCpy $GivenDir $INSTDIR
  ${If} $GivenDir == ""
    System::Call 'kernel32::GetCommandLineW() t .R5'
    StrLen $R6 $R5
    StrCpy $R7 0
    ${DoWhile} $R7 < $R6
      StrCpy $R8 $R5 4 $R7
      ${If} $R8 S== " /D="
        MessageBox MB_OK|MB_ICONSTOP "/D= needs a full path, such as /D=D:\Programs\Quillmoor (the last switch, without quotes)." /SD IDOK
        SetErrorLevel ${ERROR_INVALID_PARAMETER}
        Quit
      ${EndIf}
      IntOp $R7 $R7 + 1
    ${Loop}
  ${EndIf}
  SetShellVarContext current
  StrCpy $UserDir "$LOCALAPPDATA\Programs\Quillmoor"

  Call CheckAccount
  StrCpy $AllUsers $Admin
  StrCpy $MakeCurrent 0
  StrCpy $KeepEveryone 1
  StrCpy $DoneTitle "Installation complete"
  StrCpy $DoneText "${PRODUCT} is installed."
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
    ClearErrors
    ${GetOptions} $R0 "/CURRENTUSER" $R1
    ${IfNot} ${Errors}
      MessageBox MB_OK|MB_ICONSTOP "Choose one of /ALLUSERS and /CURRENTUSER." /SD IDOK
      SetErrorLevel ${ERROR_INVALID_PARAMETER}
      Quit
    ${EndIf}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CURRENTUSER" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 0
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/MAKECURRENT" $R1
  ${IfNot} ${Errors}
  ${OrIfNot} ${Silent}
    StrCpy $MakeCurrent 1
  ${EndIf}
  ${If} $AllUsers == 1
  ${AndIf} $Admin == 0
    MessageBox MB_OK|MB_ICONSTOP "Installing ${PRODUCT} for everyone on this computer needs administrator rights.$\r$\n$\r$\nRun the setup as administrator, or install it for yourself only (/CURRENTUSER)." /SD IDOK
    SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
    Quit
  ${EndIf}

  ; A newer version is kept unless the user asks for this one.
  ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ReadRegStr $R2 HKCU "${UNINSTALL_KEY}" "DisplayVersion"
  ${VersionCompare} $R1 $R2 $R3
  ${If} $R3 == 2
    StrCpy $R1 $R2
  ${EndIf}
  ${If} $R1 != ""
    ${VersionCompare} $R1 "${VERSION}" $R3
    ${If} $R3 == 1
      MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "${PRODUCT} $R1, a newer version, is installed.$\r$\n$\r$\nReplace it with version ${VERSION}?" /SD IDNO IDYES replace_newer
      SetErrorLevel ${ERROR_PRODUCT_VERSION}
      Quit
      replace_newer:
    ${EndIf}
  ${EndIf}
FunctionEnd

Function OptionsPage
  !insertmacro MUI_HEADER_TEXT "Install options" "Who gets ${PRODUCT}, and whether it becomes your screen saver now."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 10u "Install ${PRODUCT} for:"
  Pop $0
  ${NSD_CreateFirstRadioButton} 8u 14u -8u 10u "&Everyone on this computer"
  Pop $ModeEveryone
  ${If} $Admin == 1
    ${NSD_CreateLabel} 20u 26u -20u 18u "In the Screen Saver Settings of every user. Needs administrator rights."
  ${Else}
    ${NSD_CreateLabel} 20u 26u -20u 18u "Needs administrator rights: to install it for everyone, close this setup and run it as administrator."
  ${EndIf}
  Pop $0
  ${NSD_CreateAdditionalRadioButton} 8u 48u -8u 10u "&Only me"
  Pop $ModeMe
  ${NSD_CreateLabel} 20u 60u -20u 18u "Installed in your own folder, and made your screen saver: Windows lists it while it is your choice."
  Pop $0
  ${NSD_CreateCheckBox} 0 90u 100% 10u "&Make it my screen saver now"
  Pop $CurrentBox
  ${NSD_CreateLabel} 12u 102u -12u 18u "Your present screen saver is put back when ${PRODUCT} is uninstalled, if it is still the chosen one then."
  Pop $0
  ${NSD_OnClick} $ModeEveryone OptionsModeChanged
  ${NSD_OnClick} $ModeMe OptionsModeChanged
  ${NSD_OnClick} $CurrentBox OptionsCurrentChanged
  ${If} $Admin == 0
    EnableWindow $ModeEveryone 0
  ${EndIf}
  ; The choices made so far, also when the page comes back after Back.
  ${If} $AllUsers == 1
    ${NSD_Check} $ModeEveryone
  ${Else}
    ${NSD_Check} $ModeMe
  ${EndIf}
  Push $ModeMe
  Call OptionsModeChanged
  nsDialogs::Show
FunctionEnd

; Each choice is taken when it is made: Back leaves the page without its
; leave function. Only me always makes it the current saver: the box is
; ticked and fixed; for everyone it shows the user's own choice again.
Function OptionsModeChanged
  Pop $0 ; the clicked control
  ${NSD_GetState} $ModeMe $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $AllUsers 0
    ${NSD_Check} $CurrentBox
    EnableWindow $CurrentBox 0
  ${Else}
    StrCpy $AllUsers 1
    ${If} $MakeCurrent == 1
      ${NSD_Check} $CurrentBox
    ${Else}
      ${NSD_Uncheck} $CurrentBox
    ${EndIf}
    EnableWindow $CurrentBox 1
  ${EndIf}
FunctionEnd

Function OptionsCurrentChanged
  Pop $0 ; the box
  ${NSD_GetState} $CurrentBox $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $MakeCurrent 1
  ${Else}
    StrCpy $MakeCurrent 0
  ${EndIf}
FunctionEnd

Function OpenScreenSaverSettings
  Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
FunctionEnd

; RemoveEarlier ROOT: removes an installation registered under ROOT (HKLM:
; for everyone, HKCU: only me) with its own uninstaller, noting first in
; $WasCurrent whether it was the user's screen saver. An installation for
; everyone stays when the setup has no administrator rights, or when an
; administrator installing for only me keeps it. With administrator rights,
; the user's entry is trusted only when it names the folder this setup uses
; for only me: any program of the user can write it, and nothing it names is
; run or deleted with those rights. What cannot be removed is reported and
; left as it is.
!macro REMOVE_EARLIER ROOT
  ClearErrors
  ReadRegStr $R0 ${ROOT} "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $R1 ${ROOT} "${UNINSTALL_KEY}" "DisplayVersion"
  ${IfNot} ${Errors}
    !if "${ROOT}" == "HKLM"
      StrCpy $R2 "$SYSDIR\${SAVER_FILE}"
      StrCpy $R3 $Admin
      ${If} $AllUsers == 0
      ${AndIf} $KeepEveryone == 1
        StrCpy $R3 0
      ${EndIf}
    !else
      StrCpy $R2 "$R0\${SAVER_FILE}"
      StrCpy $R3 1
      ${If} $Admin == 1
        Push $R0
        Push $UserDir
        Call SameFolder
        Pop $R3
        ${If} $R3 == 0
        ${AndIf} $AllUsers == 0
          Push $R0
          Push $INSTDIR
          Call SameFolder
          Pop $R3
        ${EndIf}
        ${If} $R3 == 0
          StrCpy $R3 2
        ${EndIf}
      ${EndIf}
    !endif
    ${If} $R3 == 0
      DetailPrint "${PRODUCT} $R1 for everyone stays"
    ${ElseIf} $R3 == 2
      DetailPrint "Your entry for ${PRODUCT} names $R0, which is not where this setup installs for you: it is left as it is"
    ${Else}
      Push $R2
      Call IsCurrent
      Pop $R3
      ${If} $R3 == 1
        StrCpy $WasCurrent 1
      ${EndIf}
      DetailPrint "Removing ${PRODUCT} $R1 from $R0"
      ${If} ${FileExists} "$R0\${UNINSTALLER}"
        ; _?= runs it in place and waits for it; it cannot delete itself then.
        ExecWait '"$R0\${UNINSTALLER}" /S _?=$R0' $R3
        ClearErrors
        ReadRegStr $R3 ${ROOT} "${UNINSTALL_KEY}" "InstallLocation"
        ${If} ${Errors}
          Delete "$R0\${UNINSTALLER}"
          RMDir $R0
        ${Else}
          DetailPrint "${PRODUCT} $R1 in $R0 could not be removed: it is left as it is"
        ${EndIf}
      ${Else}
        ; Its uninstaller is gone: what is left of it is the saver and the entry.
        Push $R2
        Call RemoveFile
        Pop $R3
        DeleteRegKey ${ROOT} "${UNINSTALL_KEY}"
      ${EndIf}
    ${EndIf}
  ${EndIf}
!macroend

; ADD_FILE_SIZE SUM FILE: adds the file's size in bytes to SUM.
!macro ADD_FILE_SIZE SUM FILE
  FileOpen $4 "${FILE}" r
  FileSeek $4 0 END $5
  FileClose $4
  IntOp ${SUM} ${SUM} + $5
!macroend

; HasSpace TEXT: pushes 1 if TEXT holds a space, else 0.
Function HasSpace
  Exch $0
  Push $1
  Push $2
  StrCpy $2 0
  ${Do}
    StrCpy $1 $0 1 $2
    ${If} $1 == " "
      StrCpy $0 1
      ${Break}
    ${ElseIf} $1 == ""
      StrCpy $0 0
      ${Break}
    ${EndIf}
    IntOp $2 $2 + 1
  ${Loop}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Makes $Saver the user's screen saver and switches the screen saver on,
; first keeping the present choice in PREVIOUS_KEY, unless Quillmoor is the
; present choice already (then what it replaced is kept as it is). Windows
; runs the saver by the command SCRNSAVE.EXE /s, unquoted: a path with spaces
; (a user's folder) is written by its short name, as the settings write it.
; Where the volume has no short names, such a path cannot be the screen
; saver: the present choice stays, and the setup says why and fails (2).
Function MakeCurrentSaver
  StrCpy $0 $Saver
  ${If} $AllUsers == 0
    ClearErrors
    !ifdef NO_SHORT_NAMES
      StrCpy $0 ""
    !else
      GetFullPathName /SHORT $0 $Saver
    !endif
    Push $0
    Call HasSpace
    Pop $1
    ${If} $0 == ""
    ${OrIf} $1 == 1
      Push $Saver
      Call HasSpace
      Pop $1
      ${If} $1 == 0
        StrCpy $0 $Saver
      ${Else}
        DetailPrint "$Saver has no short name without spaces: it cannot be the screen saver"
        StrCpy $DoneTitle "Installed, but not your screen saver"
        StrCpy $DoneText "Windows cannot start it from a folder with spaces on this volume."
        MessageBox MB_OK|MB_ICONEXCLAMATION "${PRODUCT} is installed in $INSTDIR, but cannot be your screen saver: Windows starts the screen saver by a path without spaces, and this volume gives the folder no short (8.3) name. Your screen saver stays as it is.$\r$\n$\r$\nInstall it in a folder without spaces (/D=)." /SD IDOK
        SetErrorLevel 2
        Return
      ${EndIf}
    ${EndIf}
  ${EndIf}

  Push $Saver
  Call IsCurrent
  Pop $1
  ${If} $1 == 0
    ClearErrors
    ReadRegStr $1 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${If} ${Errors}
      DeleteRegValue HKCU "${PREVIOUS_KEY}" "SCRNSAVE.EXE"
    ${Else}
      WriteRegStr HKCU "${PREVIOUS_KEY}" "SCRNSAVE.EXE" $1
    ${EndIf}
    ClearErrors
    ReadRegStr $1 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${If} ${Errors}
      StrCpy $1 ""
    ${EndIf}
    ; Always written: its presence says that a previous choice is kept.
    WriteRegStr HKCU "${PREVIOUS_KEY}" "ScreenSaveActive" $1
  ${EndIf}
  ; What the kept choice belongs to, and the string that stands for it.
  WriteRegStr HKCU "${PREVIOUS_KEY}" "Saver" $Saver
  WriteRegStr HKCU "${PREVIOUS_KEY}" "Written" $0
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $0
  Push 1
  Call SetSaverActive
  DetailPrint "${PRODUCT} is your screen saver now"
FunctionEnd

Section "${PRODUCT}" SectionSaver
  SectionIn RO
  ${If} $AllUsers == 1
    SetShellVarContext all
    StrCpy $INSTDIR "$PROGRAMFILES64\Quillmoor"
    StrCpy $Saver "$SYSDIR\${SAVER_FILE}"
    StrCpy $2 "${PRODUCT}"
  ${Else}
    SetShellVarContext current
    StrCpy $INSTDIR $UserDir
    StrCpy $2 "${PRODUCT} (only me)"
  ${EndIf}
  ${If} $GivenDir != ""
    StrCpy $INSTDIR $GivenDir
  ${EndIf}
  ${If} $AllUsers == 0
    StrCpy $Saver "$INSTDIR\${SAVER_FILE}"
  ${EndIf}

  ; What a saver running at an earlier upgrade or uninstall left.
  Push $UserDir
  Call CleanLeftovers
  ${If} $INSTDIR != $UserDir
    Push $INSTDIR
    Call CleanLeftovers
  ${EndIf}

  ; An administrator's only me beside an installation for everyone: other
  ; users may have it as their screen saver, so it stays unless removing it
  ; is asked for.
  ${If} $AllUsers == 0
  ${AndIf} $Admin == 1
    ClearErrors
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${IfNot} ${Errors}
      MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "${PRODUCT} is also installed for everyone on this computer, where other users may have it as their screen saver.$\r$\n$\r$\nRemove that installation too?" /SD IDNO IDNO keep_everyone
      StrCpy $KeepEveryone 0
      keep_everyone:
    ${EndIf}
  ${EndIf}

  ; An earlier Quillmoor (an older version, this one again, or the other way
  ; of installing) goes first, whole, by its own uninstaller; if it was the
  ; user's screen saver, this one takes its place.
  StrCpy $WasCurrent 0
  Push $2
  !insertmacro REMOVE_EARLIER HKLM
  !insertmacro REMOVE_EARLIER HKCU
  Pop $2

  ; A saver file left in place (it was running) is moved aside.
  ${If} ${FileExists} $Saver
    Push $Saver
    Call RemoveFile
    Pop $0
    ${If} $0 == 0
      Abort "${PRODUCT} is running and its file cannot be replaced: end it (press a key) and run the setup again."
    ${EndIf}
  ${EndIf}

  SetOutPath $INSTDIR
  File "/oname=LICENSE.txt" "${LICENSE}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ${GetParent} $Saver $0
  SetOutPath $0
  File "/oname=${SAVER_FILE}" "${SCR}"
  SetOutPath $INSTDIR

  ; What Apps & features shows.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" $2
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "${URL}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "HelpLink" "${URL}"
  ${GetTime} "" "L" $3 $4 $5 $6 $7 $8 $9
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallDate" "$5$4$3"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$Saver,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ; In KiB: the saver, the uninstaller and the licence.
  StrCpy $1 1023
  !insertmacro ADD_FILE_SIZE $1 $Saver
  !insertmacro ADD_FILE_SIZE $1 "$INSTDIR\${UNINSTALLER}"
  !insertmacro ADD_FILE_SIZE $1 "$INSTDIR\LICENSE.txt"
  IntOp $1 $1 / 1024
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $1

  ${If} $MakeCurrent == 1
  ${OrIf} $WasCurrent == 1
  ${OrIf} $AllUsers == 0
    Call MakeCurrentSaver
  ${EndIf}
SectionEnd

; ---------------------------------------------------------------------------
; The uninstaller

Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/S" $R1
  ${IfNot} ${Errors}
  ${AndIf} $R1 == ""
    SetSilent silent
  ${EndIf}
  ; It belongs to the installation registered with its folder, compared in
  ; long form: it may have been started by its folder's short (8.3) name.
  Call un.CheckAccount
  Push $INSTDIR
  Call un.LongPath
  Pop $INSTDIR
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $2 0
  StrCpy $3 0
  ${If} $0 != ""
    Push $0
    Push $INSTDIR
    Call un.SameFolder
    Pop $2
  ${EndIf}
  ${If} $1 != ""
    Push $1
    Push $INSTDIR
    Call un.SameFolder
    Pop $3
  ${EndIf}
  ${If} $2 == 1
    StrCpy $AllUsers 1
    StrCpy $INSTDIR $0
    StrCpy $Saver "$SYSDIR\${SAVER_FILE}"
  ${ElseIf} $3 == 1
    StrCpy $AllUsers 0
    StrCpy $INSTDIR $1
    StrCpy $Saver "$INSTDIR\${SAVER_FILE}"
  ${Else}
    MessageBox MB_OK|MB_ICONINFORMATION "${PRODUCT} is not installed in $INSTDIR (it may have been uninstalled already): there is nothing to remove." /SD IDOK
    SetErrorLevel ${ERROR_UNKNOWN_PRODUCT}
    Quit
  ${EndIf}
  ${If} $AllUsers == 1
  ${AndIf} $Admin == 0
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is installed for everyone on this computer: removing it needs administrator rights.$\r$\n$\r$\nRun the uninstaller as administrator." /SD IDOK
    SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
    Quit
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ${If} $AllUsers == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}

  ; The previous screen saver back, if Quillmoor is still the chosen one;
  ; with no previous one kept, none (as the settings' "(None)" does).
  Push $Saver
  Call un.IsCurrent
  Pop $0
  ${If} $0 == 1
    ClearErrors
    ReadRegStr $1 HKCU "${PREVIOUS_KEY}" "ScreenSaveActive"
    ${If} ${Errors}
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
      Push 0
      Call un.SetSaverActive
      StrCpy $2 "none"
    ${Else}
      ClearErrors
      ReadRegStr $2 HKCU "${PREVIOUS_KEY}" "SCRNSAVE.EXE"
      ${If} ${Errors}
        DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
        StrCpy $3 0
        StrCpy $2 "none"
      ${Else}
        WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $2
        StrCpy $3 1
      ${EndIf}
      ${If} $1 == ""
        ; It was not set at all: this session gets what a saver or none
        ; means, the registry its value removed again.
        Push $3
        Call un.SetSaverActive
        DeleteRegValue HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
      ${Else}
        Push $1
        Call un.SetSaverActive
      ${EndIf}
    ${EndIf}
    DetailPrint "Your screen saver is the one you had before: $2"
  ${EndIf}
  ; The kept choice goes with the saver it was kept for; one kept for the
  ; other installation beside this one stays.
  ClearErrors
  ReadRegStr $0 HKCU "${PREVIOUS_KEY}" "Saver"
  ${If} ${Errors}
  ${OrIf} $0 == $Saver
    DeleteRegKey HKCU "${PREVIOUS_KEY}"
  ${EndIf}

  Push $Saver
  Call un.RemoveFile
  Pop $0
  Delete "$INSTDIR\LICENSE.txt"
  ; Started without _?=, the uninstaller runs from a copy of itself in the
  ; temporary folder while the original ends: the original's file can be
  ; deleted only once it has, and once nothing else holds it open.
  Push $EXEPATH
  Call un.LongPath
  Pop $0
  ${If} $0 != "$INSTDIR\${UNINSTALLER}"
    ${For} $0 1 100
      ClearErrors
      Delete "$INSTDIR\${UNINSTALLER}"
      ${IfNot} ${Errors}
        ${ExitFor}
      ${EndIf}
      Sleep 100
    ${Next}
  ${EndIf}
  ${If} $AllUsers == 0
    Push $INSTDIR
    Call un.CleanLeftovers
  ${EndIf}
  ; Only if empty: anything else in it is not ours.
  RMDir $INSTDIR
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
