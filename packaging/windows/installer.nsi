; The Windows installer, made by scripts/windows.sh with Debian's makensis:
;   makensis -DVERSION=1.0.0 -DSTAGE=<folder of the unpacked zip> -DOUTFILE=<setup.exe> installer.nsi
; Installs for the current user without administrator rights; /ALLUSERS
; installs for every user (and asks for the rights). /S is silent. The
; uninstaller removes the program and keeps the player's files.
; A 64-bit installer for a 64-bit game (wine64 runs it without 32-bit wine too).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvex"

Name "Quorvex"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quorvex"
ShowInstDetails show
ShowUninstDetails show
BrandingText "Quorvex ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Quorvex"
VIAddVersionKey /LANG=1033 "FileDescription" "Quorvex installer"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "The Quorvex team"
VIAddVersionKey /LANG=1033 "LegalCopyright" "The Quorvex team"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles
UninstallText "Quorvex will be removed from $INSTDIR. Your scores, replays and options \
(in $LOCALAPPDATA\Quorvex and $APPDATA\Quorvex) are kept."

Var allUsers

Function .onInit
    StrCpy $allUsers 0
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/ALLUSERS" $R1
    ${IfNot} ${Errors}
        StrCpy $allUsers 1
        UserInfo::GetAccountType
        Pop $R2
        ${If} $R2 != "admin"
            ; Every user's programs need the rights: the same installer again, elevated.
            ExecShell "runas" "$EXEPATH" "$R0"
            Quit
        ${EndIf}
        SetShellVarContext all
        StrCpy $INSTDIR "$PROGRAMFILES64\Quorvex"
    ${EndIf}
FunctionEnd

Section "Quorvex"
    SetOutPath "$INSTDIR"
    File "${STAGE}\quorvex.exe"
    File "${STAGE}\quorvex-verify.exe"
    File "${STAGE}\OpenAL32.dll"
    File "${STAGE}\README.txt"
    SetOutPath "$INSTDIR\data"
    File /r "${STAGE}\data\*"
    SetOutPath "$INSTDIR\licenses"
    File /r "${STAGE}\licenses\*"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ; Where the uninstaller finds who it was installed for.
    FileOpen $0 "$INSTDIR\install-mode.txt" w
    FileWrite $0 "$allUsers"
    FileClose $0

    CreateShortcut "$SMPROGRAMS\Quorvex.lnk" "$INSTDIR\quorvex.exe"

    ; SHCTX: the current user's keys, or the machine's after SetShellVarContext all.
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Quorvex"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "The Quorvex team"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorvex.exe"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Function un.onInit
    FileOpen $0 "$INSTDIR\install-mode.txt" r
    FileRead $0 $allUsers
    FileClose $0
    ${If} $allUsers == 1
        SetShellVarContext all
    ${EndIf}
FunctionEnd

; Only what the installer put there: a folder chosen by the player may hold
; other files, and the player's own files live elsewhere.
Section "Uninstall"
    Delete "$INSTDIR\quorvex.exe"
    Delete "$INSTDIR\quorvex-verify.exe"
    Delete "$INSTDIR\OpenAL32.dll"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\install-mode.txt"
    RMDir /r "$INSTDIR\data"
    RMDir /r "$INSTDIR\licenses"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Quorvex.lnk"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    DetailPrint "Your scores, replays and options are kept in $LOCALAPPDATA\Quorvex and $APPDATA\Quorvex."
SectionEnd
