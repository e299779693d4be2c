; The Windows installer, made by scripts/package-windows.sh with Debian's makensis:
;   makensis -DVERSION=1.1.8 -DFILES=<installer-files.nsh, the list of the program's files>
;            -DOUTFILE=<setup.exe> windows-installer.nsi
; For all users into Program Files, with a Start-menu shortcut and an entry
; under Uninstall; /S installs silently and /D=<folder> chooses the folder.
; Data of the tool's users (%LOCALAPPDATA%\TavrinKeyboardTest: settings, log,
; unit records) is never touched, so a station's records outlive a reinstall.
Unicode true
; The 64-bit stub: the program is 64-bit only, and Debian's default x86 stub
; would need a 32-bit Wine to be tried here.
Target amd64-unicode
; The Wine checks build an older version with a quicker compressor (zlib).
!ifndef COMPRESSOR
    !define COMPRESSOR "/SOLID lzma"
!endif
SetCompressor ${COMPRESSOR}
ManifestDPIAware true

!define APP "TavrinKeyboardTest"
!define NAME "Tavrin Keyboard Test"
!define PUBLISHER "Tavrin"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define SHORTCUT "$SMPROGRAMS\${NAME}.lnk"
; Created by the running tool (app/runningMarker_win.cpp) in the global
; namespace, so an installer run by a roll-out tool in another session sees it.
!define RUNNING_MARKER "Global\TavrinKeyboardTest.running"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "${FILES}"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "${NAME} ${VERSION}"

!define MUI_ICON "${__FILEDIR__}/../images/app.ico"
!define MUI_UNICON "${__FILEDIR__}/../images/app.ico"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The first is the default; Chinese where Windows speaks it.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString RunningInstall ${LANG_ENGLISH} "${NAME} is running. Close it, then run the setup again."
LangString RunningInstall ${LANG_SIMPCHINESE} "Tavrin 键盘测试正在运行。请先关闭它，再重新运行安装程序。"
LangString RunningUninstall ${LANG_ENGLISH} "${NAME} is running. Close it, then uninstall it again."
LangString RunningUninstall ${LANG_SIMPCHINESE} "Tavrin 键盘测试正在运行。请先关闭它，再重新卸载。"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${NAME}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${NAME} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${PUBLISHER}"

; Stops with the message, exit code 3 when silent, while the tool runs: its
; files must not be replaced or deleted underneath it. A marker owned by
; another user's copy cannot be opened but is there all the same.
!macro StopIfRunning MESSAGE
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MARKER}") p .r0 ?e'
    Pop $1
    ${If} $0 != 0
    ${OrIf} $1 = 5
        ${If} $0 != 0
            System::Call 'kernel32::CloseHandle(p r0)'
        ${EndIf}
        MessageBox MB_OK|MB_ICONSTOP "${MESSAGE}" /SD IDOK
        SetErrorLevel 3
        Quit
    ${EndIf}
!macroend

Function .onInit
    SetShellVarContext all
    !insertmacro StopIfRunning "$(RunningInstall)"
FunctionEnd

Section
    ; An earlier version leaves with its own uninstaller, which knows its
    ; files, so none of them lingers beside the new ones.
    ReadRegStr $2 HKLM "${UNINST_KEY}" "InstallLocation"
    ${If} $2 != ""
    ${AndIf} ${FileExists} "$2\uninstall.exe"
        ExecWait '"$2\uninstall.exe" /S /upgrade _?=$2' $3
        ${If} $3 != 0
            MessageBox MB_OK|MB_ICONSTOP "$2\uninstall.exe: $3" /SD IDOK
            SetErrorLevel 4
            Quit
        ${EndIf}
        Delete "$2\uninstall.exe"
        RMDir "$2"
    ${EndIf}

    !insertmacro InstallFiles
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "${SHORTCUT}" "$INSTDIR\${APP}.exe"

    WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$\"$INSTDIR\${APP}.exe$\",0"
    WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    ; In place (_?=), so that a roll-out tool gets the uninstaller's own exit
    ; code; without it the uninstaller hands over to a copy of itself in
    ; %TEMP% and always ends with 0 at once.
    WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\" _?=$INSTDIR"
    WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /S _?=$INSTDIR"
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
    SetShellVarContext all
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/cleanup" $R1
    ${IfNot} ${Errors}
        ; Started by an uninstaller that ran in place (see below): it removes
        ; the uninstaller once that one has ended.
        ${For} $R2 1 100
            Delete "$INSTDIR\uninstall.exe"
            ${IfNot} ${FileExists} "$INSTDIR\uninstall.exe"
                ${Break}
            ${EndIf}
            Sleep 100
        ${Next}
        RMDir "$INSTDIR"
        Quit
    ${EndIf}
    !insertmacro StopIfRunning "$(RunningUninstall)"
FunctionEnd

Section Uninstall
    ; Only what the installer put there: a folder chosen with /D may hold more.
    !insertmacro UninstallFiles
    Delete "${SHORTCUT}"
    DeleteRegKey HKLM "${UNINST_KEY}"
    ; A running program cannot delete its own file: run in place, the
    ; uninstaller leaves that to a copy of itself in %TEMP%, but not for an
    ; upgrade, whose installer removes it and writes its own.
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/upgrade" $R1
    ${If} ${Errors}
    ${AndIf} "$EXEDIR" == "$INSTDIR"
        Exec '"$INSTDIR\uninstall.exe" /S /cleanup'
    ${Else}
        Delete "$INSTDIR\uninstall.exe"
        RMDir "$INSTDIR"
    ${EndIf}
SectionEnd
