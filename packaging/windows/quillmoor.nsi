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
; Command line (for deployment; /S runs without a window):
;   /S             silent
;   /ALLUSERS      for everyone (the default for an administrator)
;   /CURRENTUSER   only me (the default for everyone else)
;   /MAKECURRENT   make it the screen saver of the user who runs the setup
;                  (the options page's check box; only me always does)
; The uninstaller takes /S too. Exit codes: 0 done, 1 cancelled, 2 failed,
; 87 both /ALLUSERS and /CURRENTUSER, 740 administrator rights needed,
; 1605 (uninstaller) nothing of Quillmoor is installed there, 1638 a newer
; version is installed and was kept. The uninstaller's only come back when it
; runs as "uninstall.exe /S _?=FOLDER", which waits for it; without _?= it
; returns at once and finishes from a copy of itself in the temporary folder.
;
; Making it the current saver keeps the user's previous saver (the
; SCRNSAVE.EXE and ScreenSaveActive values of HKCU\Control Panel\Desktop) in
; HKCU\Software\Quillmoor; the uninstaller puts them back if Quillmoor is
; still the current saver then, and leaves any other choice alone.
;
; -DACCOUNT=User builds an installer that sees its account as a standard
; user's, whatever it is: Wine's only account is an administrator, so the
; tests build one to see what a standard user gets.

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
!define SPI_SETSCREENSAVEACTIVE 17
; SPIF_UPDATEINIFILE | SPIF_SENDCHANGE: stored, and told to running programs.
!define SPIF_STORE_AND_TELL 3
!define ERROR_INVALID_PARAMETER 87
!define ERROR_ELEVATION_REQUIRED 740
!define ERROR_UNKNOWN_PRODUCT 1605
!define ERROR_PRODUCT_VERSION 1638

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
Page custom OptionsPage OptionsPageLeave
; Stays open when done, so that what was done can be read.
!define MUI_FINISHPAGE_NOAUTOCLOSE
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

; IsCurrent PATH: pushes 1 if the user's screen saver is the file PATH (by
; its long or its short name; Windows compares names without case), else 0.
Function ${PREFIX}IsCurrent
  Exch $0
  Push $1
  Push $2
  ReadRegStr $1 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  StrCpy $2 0
  ${If} $1 != ""
    ${If} $1 == $0
      StrCpy $2 1
    ${ElseIf} ${FileExists} $0
      GetFullPathName /SHORT $0 $0
      ${If} $1 == $0
        StrCpy $2 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
  StrCpy $0 $2
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; RemoveFile PATH: deletes the file. A running saver's file cannot be
; deleted or replaced, but it can be renamed: it is moved aside under a name
; the settings list ignores (no .scr) and deleted when Windows next starts,
; while the running saver goes on until a key or the mouse ends it. Pushes 1
; if the name is free now, else 0 (the file is deleted at the next start).
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
      Delete /REBOOTOK $0
      StrCpy $2 0
      DetailPrint "$0 is in use: it is deleted when Windows starts again"
    ${Else}
      Delete /REBOOTOK $1
      DetailPrint "$0 is running: moved aside to $1, which is deleted when Windows starts again"
      ; The saver's name is free already: nothing waits for a restart.
      SetRebootFlag false
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
    SetErrorLevel 2
    Quit
  ${EndIf}

  Call CheckAccount
  StrCpy $AllUsers $Admin
  StrCpy $MakeCurrent 0
  ${GetParameters} $R0
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
  ${If} $Admin == 0
    EnableWindow $ModeEveryone 0
  ${EndIf}
  ${If} $AllUsers == 1
    ${NSD_Check} $ModeEveryone
  ${Else}
    ${NSD_Check} $ModeMe
  ${EndIf}
  ${If} $MakeCurrent == 1
    ${NSD_Check} $CurrentBox
  ${EndIf}
  Push $ModeMe
  Call OptionsModeChanged
  nsDialogs::Show
FunctionEnd

; Only me always makes it the current saver: the box is ticked and fixed.
Function OptionsModeChanged
  Pop $0 ; the clicked control
  ${NSD_GetState} $ModeMe $0
  ${If} $0 == ${BST_CHECKED}
    ${NSD_Check} $CurrentBox
    EnableWindow $CurrentBox 0
  ${Else}
    EnableWindow $CurrentBox 1
  ${EndIf}
FunctionEnd

Function OptionsPageLeave
  ${NSD_GetState} $ModeEveryone $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $AllUsers 1
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
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
; everyone stays when the setup has no administrator rights.
!macro REMOVE_EARLIER ROOT
  ClearErrors
  ReadRegStr $R0 ${ROOT} "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $R1 ${ROOT} "${UNINSTALL_KEY}" "DisplayVersion"
  ${IfNot} ${Errors}
    !if "${ROOT}" == "HKLM"
      StrCpy $R2 "$SYSDIR\${SAVER_FILE}"
      StrCpy $R3 $Admin
    !else
      StrCpy $R2 "$R0\${SAVER_FILE}"
      StrCpy $R3 1
    !endif
    ${If} $R3 == 0
      DetailPrint "${PRODUCT} $R1 for everyone stays: removing it needs administrator rights"
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
        Delete "$R0\${UNINSTALLER}"
        RMDir $R0
        ClearErrors
        ReadRegStr $R3 ${ROOT} "${UNINSTALL_KEY}" "InstallLocation"
        ${IfNot} ${Errors}
          Abort "${PRODUCT} $R1 in $R0 could not be removed."
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

; Makes $Saver the user's screen saver and switches the screen saver on,
; first keeping the present choice in PREVIOUS_KEY, unless Quillmoor is the
; present choice already (then what it replaced is kept as it is).
Function MakeCurrentSaver
  Push $Saver
  Call IsCurrent
  Pop $0
  ${If} $0 == 0
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
  ; Windows runs the saver by the command SCRNSAVE.EXE /s, unquoted: a path
  ; with spaces (a user's folder) is written by its short name, as the
  ; settings write it.
  StrCpy $0 $Saver
  ${If} $AllUsers == 0
    GetFullPathName /SHORT $0 $Saver
  ${EndIf}
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
  ${Else}
    SetShellVarContext current
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Quillmoor"
    StrCpy $Saver "$INSTDIR\${SAVER_FILE}"
  ${EndIf}

  ; An earlier Quillmoor (an older version, this one again, or the other way
  ; of installing) goes first, whole, by its own uninstaller; if it was the
  ; user's screen saver, this one takes its place.
  StrCpy $WasCurrent 0
  !insertmacro REMOVE_EARLIER HKLM
  !insertmacro REMOVE_EARLIER HKCU

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
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
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
  ; It belongs to the installation registered with its folder.
  Call un.CheckAccount
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 == $INSTDIR
    StrCpy $AllUsers 1
    StrCpy $Saver "$SYSDIR\${SAVER_FILE}"
  ${ElseIf} $1 != ""
  ${AndIf} $1 == $INSTDIR
    StrCpy $AllUsers 0
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
  DeleteRegKey HKCU "${PREVIOUS_KEY}"

  Push $Saver
  Call un.RemoveFile
  Pop $0
  Delete "$INSTDIR\LICENSE.txt"
  ; Started without _?=, the uninstaller runs from a copy of itself in the
  ; temporary folder while the original ends: the original's file can be
  ; deleted only once it has.
  ${If} $EXEPATH != "$INSTDIR\${UNINSTALLER}"
    ${For} $0 1 100
      ClearErrors
      Delete "$INSTDIR\${UNINSTALLER}"
      ${IfNot} ${Errors}
        ${ExitFor}
      ${EndIf}
      Sleep 100
    ${Next}
  ${EndIf}
  ; Only if empty: anything else in it is not ours.
  RMDir $INSTDIR
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
