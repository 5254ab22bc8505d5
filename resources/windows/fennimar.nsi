; Fennimar's Windows installer (NSIS 3): fennimar.exe, fennimar-cli.exe,
; joinex.exe and the Linux joinex side by side with the manual in manual\
; beside them, a Start-menu entry, part files (.Z00 to .Z99) opened with
; Fennimar, an entry in Apps & features, and an uninstaller.
;
; cmake/make_windows_packages.cmake runs makensis with these defines:
;   VERSION    the product's version (3.13.1)
;   STAGE_DIR  a folder that holds the programs and the manual folder
;   ICON       the installer's and uninstaller's icon
;   OUTFILE    the installer to write
;
; Who it is for: a user without administrator rights installs for themself
; (%LOCALAPPDATA%\Programs\Fennimar, keys under HKCU); run with
; administrator rights it installs for all users (Program Files, HKLM).
; /CurrentUser and /AllUsers on the command line choose; /S installs
; silently. A later install defaults to the kind and folder of the earlier.
;
; The uninstaller removes what the installer put there, and the association
; of part files only where it still names Fennimar. The user's settings
; (%APPDATA%\Fennimar\FENNIMAR.INI) stay, unless the check box on its page
; is ticked or /REMOVESETTINGS is given (for silent runs: /S /REMOVESETTINGS).

!macro REQUIRE_DEFINE NAME
  !ifndef ${NAME}
    !error "makensis needs -D${NAME}=... (cmake/make_windows_packages.cmake gives it)"
  !endif
!macroend
!insertmacro REQUIRE_DEFINE VERSION
!insertmacro REQUIRE_DEFINE STAGE_DIR
!insertmacro REQUIRE_DEFINE ICON
!insertmacro REQUIRE_DEFINE OUTFILE

; The default stub is 32-bit; the programs are 64-bit, and so is this.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
ManifestSupportedOS all

!define PRODUCT Fennimar
!define PUBLISHER "The Fennimar developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define PROGID Fennimar.Part
!define UNINSTALLER uninstall.exe

Name "${PRODUCT}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 ProductName "${PRODUCT}"
VIAddVersionKey /LANG=0 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 FileVersion "${VERSION}"
VIAddVersionKey /LANG=0 FileDescription "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=0 CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=0 LegalCopyright "Copyright 2026 ${PUBLISHER}"

; MultiUser.nsh chooses the kind of installation: for all users when the
; process has administrator rights, else for the current user. "Highest"
; gives that choice (and the page that offers it to administrators); the
; installer itself asks for no elevation, so that a double click installs
; for the user without a prompt, and "Run as administrator" for everyone.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR ${PRODUCT}
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME InstallLocation
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME InstallLocation
!include MultiUser.nsh
RequestExecutionLevel user
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include nsDialogs.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\fennimar.exe"
!insertmacro MUI_PAGE_FINISH

UninstPage custom un.ConfirmPageShow un.ConfirmPageLeave
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE English

; 1 when the uninstaller is to remove the user's settings as well.
Var RemoveSettings
Var RemoveSettingsBox

Function .onInit
  ; A folder given with /D stands: MultiUser.nsh would put its own in.
  StrCpy $0 $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

Section "Fennimar" SectionFennimar
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE_DIR}\fennimar.exe"
  File "${STAGE_DIR}\fennimar-cli.exe"
  File "${STAGE_DIR}\joinex.exe"
  File "${STAGE_DIR}\joinex"
  ; The manual of an earlier version goes first, so that none of its pages
  ; outlives it.
  RMDir /r "$INSTDIR\manual"
  SetOutPath "$INSTDIR\manual"
  File /r "${STAGE_DIR}\manual\*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\fennimar.exe"

  ; Part files open in Fennimar, which merges the set they belong to.
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "${PRODUCT} part file"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\fennimar.exe,0"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" \
    '"$INSTDIR\fennimar.exe" "%1"'
  ${ForEach} $0 0 99 + 1
    IntFmt $1 "Software\Classes\.Z%02d" $0
    WriteRegStr SHCTX "$1" "" "${PROGID}"
    WriteRegStr SHCTX "$1\OpenWithProgids" "${PROGID}" ""
  ${Next}

  WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayName "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" Publisher "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\fennimar.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  ; The uninstaller is told which installation it removes.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" UninstallString \
    '"$INSTDIR\${UNINSTALLER}" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" QuietUninstallString \
    '"$INSTDIR\${UNINSTALLER}" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoRepair 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" EstimatedSize $0

  Call RefreshShell
SectionEnd

; Explorer shows the new icons and commands of part files without a restart.
!macro REFRESH_SHELL UN
  Function ${UN}RefreshShell
    ; SHCNE_ASSOCCHANGED, SHCNF_IDLIST
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  FunctionEnd
!macroend
!insertmacro REFRESH_SHELL ""
!insertmacro REFRESH_SHELL "un."

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  ; The installation this uninstaller belongs to is the one whose entry
  ; names its folder, whatever the command line says.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" InstallLocation
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" InstallLocation
  ${If} $0 == $INSTDIR
    Call un.MultiUser.InstallMode.CurrentUser
  ${ElseIf} $1 == $INSTDIR
    ${If} $MultiUser.Privileges != Admin
    ${AndIf} $MultiUser.Privileges != Power
      MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is installed for all users of this computer: removing it needs administrator rights. Run the uninstaller as administrator." /SD IDOK
      Abort
    ${EndIf}
    Call un.MultiUser.InstallMode.AllUsers
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 /REMOVESETTINGS $1
  ${IfNot} ${Errors}
    StrCpy $RemoveSettings 1
  ${EndIf}
FunctionEnd

; The uninstaller's first page: where Fennimar is removed from, and whether
; the user's settings go too.
Function un.ConfirmPageShow
  !insertmacro MUI_HEADER_TEXT "Uninstall ${PRODUCT}" \
    "Remove ${PRODUCT} from your computer."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 36u "${PRODUCT} will be removed from the following folder. Click Uninstall to start.$\r$\n$\r$\n$INSTDIR"
  Pop $0
  ${NSD_CreateCheckbox} 0 48u 100% 12u "&Remove my settings as well (FENNIMAR.INI)"
  Pop $RemoveSettingsBox
  ${If} $RemoveSettings == 1
    ${NSD_Check} $RemoveSettingsBox
  ${EndIf}
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:$(^UninstallBtn)"
  nsDialogs::Show
FunctionEnd

Function un.ConfirmPageLeave
  ${NSD_GetState} $RemoveSettingsBox $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $RemoveSettings 1
  ${Else}
    StrCpy $RemoveSettings 0
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Delete "$INSTDIR\fennimar.exe"
  Delete "$INSTDIR\fennimar-cli.exe"
  Delete "$INSTDIR\joinex.exe"
  Delete "$INSTDIR\joinex"
  RMDir /r "$INSTDIR\manual"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only when empty: files of the user's own in the folder stay.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  ; An extension or the type that another program has taken over since
  ; stays as that program left it.
  ${ForEach} $0 0 99 + 1
    IntFmt $1 "Software\Classes\.Z%02d" $0
    ReadRegStr $2 SHCTX "$1" ""
    ${If} $2 == "${PROGID}"
      DeleteRegValue SHCTX "$1" ""
    ${EndIf}
    DeleteRegValue SHCTX "$1\OpenWithProgids" "${PROGID}"
    DeleteRegKey /ifempty SHCTX "$1\OpenWithProgids"
    DeleteRegKey /ifempty SHCTX "$1"
  ${Next}
  ReadRegStr $0 SHCTX "Software\Classes\${PROGID}\shell\open\command" ""
  ${If} $0 == '"$INSTDIR\fennimar.exe" "%1"'
    DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  ${EndIf}

  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  ${If} $RemoveSettings == 1
    ; The settings are the user's own, also after an installation for all.
    SetShellVarContext current
    Delete "$APPDATA\${PRODUCT}\FENNIMAR.INI"
    RMDir "$APPDATA\${PRODUCT}"
  ${EndIf}

  Call un.RefreshShell
SectionEnd
