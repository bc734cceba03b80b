; The Kavrilink installer for 64-bit Windows, built by scripts/windows with:
;   makensis -DVERSION=1.2.3 -DSTAGE=<program folder> -DFILES=<folder with the file lists>
;            -DLICENSE=<licence page text> -DOUTFILE=<setup.exe> kavrilink.nsi
; FILES holds install-files.nsh and uninstall-files.nsh, made from the program
; folder, so that the uninstaller removes exactly what was installed.
;
; For the current user without administrator rights (in
; %LOCALAPPDATA%\Programs\Kavrilink, HKCU); for every user when run as
; administrator (in Program Files, HKLM), unless /CURRENTUSER is given. /S
; installs silently, /D=FOLDER sets the folder, /NOPATH leaves PATH alone. The uninstaller keeps the user's
; application folder (%APPDATA%\Kavrilink) and anything else it did not install.

Unicode true
; A 64-bit installer for 64-bit programs (and one that runs under a 64-bit-only Wine).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include x64.nsh
!include Integration.nsh

!define PRODUCT "Kavrilink"
!define PUBLISHER "Kavrilink developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kavrilink"
!define USER_ENVIRONMENT "Environment"
!define MACHINE_ENVIRONMENT "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}; GPL-3.0-or-later"

!define MUI_ICON "${__FILEDIR__}\kavrilink.ico"
!define MUI_UNICON "${__FILEDIR__}\kavrilink.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\kavrilink.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Kavrilink"

!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var AllUsers      ; 1 when installing for every user
Var Environment   ; the registry key of PATH for this mode

; Every user when the process runs with administrator rights (unless
; /CURRENTUSER is given); else the current user.
!macro ChooseMode un
Function ${un}ChooseMode
    StrCpy $AllUsers 0
    UserInfo::GetAccountType
    Pop $0
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/CURRENTUSER" $2
    ${If} $0 == "Admin"
    ${AndIf} ${Errors}
        StrCpy $AllUsers 1
    ${EndIf}
    ${If} $AllUsers == 1
        SetShellVarContext all
        StrCpy $Environment "${MACHINE_ENVIRONMENT}"
    ${Else}
        SetShellVarContext current
        StrCpy $Environment "${USER_ENVIRONMENT}"
    ${EndIf}
FunctionEnd
!macroend
!insertmacro ChooseMode ""
!insertmacro ChooseMode "un."

; Removes every entry of PATH that names $INSTDIR (with or without a trailing
; backslash, in any case); the other entries stay as they were, in their order.
!macro RemoveFromPath un
Function ${un}RemoveFromPath
    ReadRegStr $0 SHCTX $Environment "Path"
    StrLen $1 $0
    IntOp $2 ${NSIS_MAX_STRLEN} - 1
    ${If} $1 >= $2
        DetailPrint "PATH is too long to be edited safely; remove $INSTDIR from it by hand."
        Return
    ${EndIf}
    StrCpy $3 ""   ; the new PATH
    StrCpy $4 ""   ; the entry being read
    StrCpy $5 0    ; position
    StrCpy $6 0    ; 1 when an entry was dropped
    ${Do}
        StrCpy $7 $0 1 $5
        ${If} $7 == ";"
        ${OrIf} $7 == ""
            ${If} $4 == $INSTDIR
            ${OrIf} $4 == "$INSTDIR\"
                StrCpy $6 1
            ${ElseIf} $4 != ""
                ${If} $3 == ""
                    StrCpy $3 $4
                ${Else}
                    StrCpy $3 "$3;$4"
                ${EndIf}
            ${EndIf}
            StrCpy $4 ""
            ${IfThen} $7 == "" ${|} ${ExitDo} ${|}
        ${Else}
            StrCpy $4 "$4$7"
        ${EndIf}
        IntOp $5 $5 + 1
    ${Loop}
    ${If} $6 == 1
        ${If} $3 == ""
            DeleteRegValue SHCTX $Environment "Path"
        ${Else}
            WriteRegExpandStr SHCTX $Environment "Path" $3
        ${EndIf}
        SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${EndIf}
FunctionEnd
!macroend
!insertmacro RemoveFromPath ""
!insertmacro RemoveFromPath "un."

Function AddToPath
    Call RemoveFromPath ; never twice
    ReadRegStr $0 SHCTX $Environment "Path"
    StrLen $1 $0
    StrLen $2 $INSTDIR
    IntOp $1 $1 + $2
    IntOp $2 ${NSIS_MAX_STRLEN} - 2
    ${If} $1 >= $2
        DetailPrint "PATH is too long to be edited safely; add $INSTDIR to it by hand."
        Return
    ${EndIf}
    ${If} $0 == ""
        StrCpy $0 $INSTDIR
    ${Else}
        StrCpy $1 $0 1 -1
        ${If} $1 == ";"
            StrCpy $0 "$0$INSTDIR"
        ${Else}
            StrCpy $0 "$0;$INSTDIR"
        ${EndIf}
    ${EndIf}
    WriteRegExpandStr SHCTX $Environment "Path" $0
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "AddedToPath" 1
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
FunctionEnd


; "Open with Kavrilink" for plans (*.sav), in the install's classes (SHCTX:
; HKCU or HKLM\Software\Classes). Other programs use .sav too: the extension's
; default and everything else under it stay as they are; the installer adds the
; value Kavrilink.Plan under .sav\OpenWithProgids and two keys of its own, the
; ProgID Kavrilink.Plan and Applications\kavrilink.exe (its SupportedTypes name
; .sav), and the uninstaller takes exactly those away again.
!define CLASSES "Software\Classes"
!define PLAN_EXTENSION ".sav"
!define PLAN_PROGID "Kavrilink.Plan"
!define PLAN_APPLICATION "Applications\kavrilink.exe"

Function RegisterPlans
    WriteRegStr SHCTX "${CLASSES}\${PLAN_PROGID}" "" "Kavrilink channel plan"
    WriteRegStr SHCTX "${CLASSES}\${PLAN_PROGID}\DefaultIcon" "" "$INSTDIR\kavrilink.exe,0"
    WriteRegStr SHCTX "${CLASSES}\${PLAN_PROGID}\shell\open\command" "" '"$INSTDIR\kavrilink.exe" "%1"'
    WriteRegNone SHCTX "${CLASSES}\${PLAN_EXTENSION}\OpenWithProgids" "${PLAN_PROGID}"
    WriteRegStr SHCTX "${CLASSES}\${PLAN_APPLICATION}" "FriendlyAppName" "${PRODUCT}"
    WriteRegStr SHCTX "${CLASSES}\${PLAN_APPLICATION}\DefaultIcon" "" "$INSTDIR\kavrilink.exe,0"
    WriteRegStr SHCTX "${CLASSES}\${PLAN_APPLICATION}\SupportedTypes" "${PLAN_EXTENSION}" ""
    WriteRegStr SHCTX "${CLASSES}\${PLAN_APPLICATION}\shell\open\command" "" '"$INSTDIR\kavrilink.exe" "%1"'
    ${NotifyShell_AssocChanged}
FunctionEnd

; The keys that only hold what the installer put there go; .sav, its
; OpenWithProgids and Applications only when nothing else is left in them.
Function un.UnregisterPlans
    DeleteRegKey SHCTX "${CLASSES}\${PLAN_APPLICATION}"
    DeleteRegKey /ifempty SHCTX "${CLASSES}\Applications"
    DeleteRegValue SHCTX "${CLASSES}\${PLAN_EXTENSION}\OpenWithProgids" "${PLAN_PROGID}"
    DeleteRegKey /ifempty SHCTX "${CLASSES}\${PLAN_EXTENSION}\OpenWithProgids"
    DeleteRegKey /ifempty SHCTX "${CLASSES}\${PLAN_EXTENSION}"
    DeleteRegKey SHCTX "${CLASSES}\${PLAN_PROGID}"
    ${NotifyShell_AssocChanged}
FunctionEnd


Section "Kavrilink (window and command line)" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    !include "${FILES}\install-files.nsh"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    Call RegisterPlans
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\kavrilink.exe" "" "$INSTDIR\kavrilink.exe" 0 \
        SW_SHOWNORMAL "" "Program the channel plan of the radio"

    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kavrilink.exe"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "https://kavrilink.github.io/"
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "AllUsers" $AllUsers
    ; Installed again: the PATH entry of the earlier install goes, and comes back
    ; below when the component is chosen again.
    ReadRegDWORD $0 SHCTX "${UNINSTALL_KEY}" "AddedToPath"
    ${If} $0 == 1
        Call RemoveFromPath
    ${EndIf}
    DeleteRegValue SHCTX "${UNINSTALL_KEY}" "AddedToPath"
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "kavrilink-cli on PATH" SecPath
    Call AddToPath
SectionEnd

Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP "${PRODUCT} needs 64-bit Windows." /SD IDOK
        Abort
    ${EndIf}
    SetRegView 64
    StrCpy $R9 "$LOCALAPPDATA\Programs\${PRODUCT}" ; the default, while the context is the user's
    Call ChooseMode
    ; /D=FOLDER has set $INSTDIR already; otherwise the mode's folder.
    ${If} $INSTDIR == $R9
    ${AndIf} $AllUsers == 1
        StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/NOPATH" $1
    ${IfNot} ${Errors}
        SectionSetFlags ${SecPath} 0
    ${EndIf}
FunctionEnd

Function un.onInit
    SetRegView 64
    ; The mode of the installation this uninstaller belongs to.
    StrCpy $0 ""
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == $INSTDIR
        Call un.ChooseMode
        ${If} $AllUsers != 1
            MessageBox MB_ICONSTOP "${PRODUCT} was installed for every user: run its uninstaller as administrator." /SD IDOK
            SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
            Quit
        ${EndIf}
    ${Else}
        StrCpy $AllUsers 0
        SetShellVarContext current
        StrCpy $Environment "${USER_ENVIRONMENT}"
    ${EndIf}
FunctionEnd

Section "Uninstall"
    ReadRegDWORD $0 SHCTX "${UNINSTALL_KEY}" "AddedToPath"
    ${If} $0 == 1
        Call un.RemoveFromPath
    ${EndIf}
    Call un.UnregisterPlans
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    !include "${FILES}\uninstall-files.nsh"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR" ; only when empty: what the user put there stays
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
