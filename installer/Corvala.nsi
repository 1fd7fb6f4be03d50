; Corvala's installer: Notewell.exe and the two web page controls in one
; program folder, the controls registered by their own DllRegisterServer.
;
; makensis -INPUTCHARSET UTF8 -DARCH=x86|amd64 -DVERSION=1.0.0.46 -DOUTFILE=...
;          -DNOTEWELL=... -DGATEKIN=... -DROSTERLY=... -DSOUNDS=<folder>
;          [-DSIGN_COMMAND=<command that signs the file named after it in place>] Corvala.nsi
;
; The release is the 32-bit installer (the controls load into a 32-bit
; browser); the amd64 one carries the 64-bit build for the tests.

Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "StrFunc.nsh"
!include "WinMessages.nsh"
!include "x64.nsh"

${StrStr}
${UnStrStr}
${UnStrRep}

!define PRODUCT "Corvala"
!define TRAY_TITLE "PvxTray"
!define WM_TRAY_CLOSE 1039
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvala"
!define PRODUCT_KEY "Software\Corvala"
!define ENV_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
!define UNINSTALLER "Uninstall.exe"
; The notewell: links of the service's pages in browsers without ActiveX.
!define SCHEME_KEY "Software\Classes\notewell"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; Windows warns before it runs an unsigned program: the uninstaller is signed
; before it is packed into the installer, the installer once it is written.
!ifdef SIGN_COMMAND
    !uninstfinalize '${SIGN_COMMAND} "%1"' = 0
    !finalize '${SIGN_COMMAND} "%1"' = 0
!endif
; The program folder Windows gives a program of the installer's bitness: on
; 64-bit Windows "Program Files (x86)" for the 32-bit release installer.
; (An amd64 installer's $PROGRAMFILES64 names the 32-bit folder under wine's
; WoW64, so both take $PROGRAMFILES, which follows the installer's bitness.)
!if "${ARCH}" == "amd64"
    Target amd64-unicode
!else
    Target x86-unicode
!endif
InstallDir "$PROGRAMFILES\${PRODUCT}"
; Installing again goes into the folder of the existing installation.
InstallDirRegKey HKLM "${PRODUCT_KEY}" "InstallDir"
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1042 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1042 "CompanyName" "${PRODUCT}"
VIAddVersionKey /LANG=1042 "FileDescription" "${PRODUCT} 프로그램 설치"
VIAddVersionKey /LANG=1042 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1042 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1042 "LegalCopyright" "© ${PRODUCT}"

!define MUI_ABORTWARNING
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEPAGE_TEXT "Corvala 쪽지받기 프로그램(Notewell)과 로그인, 회원 목록 컨트롤을 설치합니다.$\r$\n$\r$\n설치하기 전에 Corvala 웹 페이지를 모두 닫아 주세요. 실행 중인 쪽지받기 프로그램은 설치할 때 로그아웃되고 종료됩니다.$\r$\n$\r$\n계속하려면 [다음]을 누르세요."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; A browser that was already open keeps the search path it started with, so
; it would not find Notewell.exe yet.
!define MUI_FINISHPAGE_TEXT "설치가 끝났습니다.$\r$\n$\r$\n열려 있는 웹 브라우저를 모두 닫고 다시 여신 후 Corvala 웹 페이지에서 로그인하시면 쪽지받기 프로그램이 시작됩니다."
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Korean"

; Closes a running Notewell the way the login control does, so that the member
; is logged out cleanly and Notewell.exe is no longer in use; then waits for
; the process to end.
!macro DEFINE_CLOSE_TRAY_CLIENT prefix
Function ${prefix}CloseTrayClient
    FindWindow $0 "" "${TRAY_TITLE}"
    ${If} $0 == 0
        Return
    ${EndIf}
    DetailPrint "실행 중인 쪽지받기 프로그램을 종료합니다."
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
    ; SYNCHRONIZE
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'
    SendMessage $0 ${WM_TRAY_CLOSE} 0 0 /TIMEOUT=15000
    ${If} $2 P<> 0
        System::Call 'kernel32::WaitForSingleObject(p r2, i 15000) i'
        System::Call 'kernel32::CloseHandle(p r2)'
    ${Else}
        StrCpy $3 0
        ${Do}
            Sleep 100
            FindWindow $0 "" "${TRAY_TITLE}"
            IntOp $3 $3 + 1
            ${If} $0 == 0
            ${OrIf} $3 >= 150
                ${ExitDo}
            ${EndIf}
        ${Loop}
    ${EndIf}
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_TRAY_CLIENT ""
!insertmacro DEFINE_CLOSE_TRAY_CLIENT "un."

; Puts a file in place; a file still in use (a control loaded by an open
; browser) is replaced when Windows next starts.
!macro INSTALL_FILE source name
    SetOverwrite try
    ClearErrors
    File "/oname=$INSTDIR\${name}" "${source}"
    ${If} ${Errors}
        SetOverwrite on
        File "/oname=$INSTDIR\${name}.new" "${source}"
        Rename /REBOOTOK "$INSTDIR\${name}.new" "$INSTDIR\${name}"
        DetailPrint "${name}: 사용 중이어서 컴퓨터를 다시 시작할 때 교체됩니다."
    ${EndIf}
    SetOverwrite on
!macroend

!macro REGISTER_CONTROL name
    ClearErrors
    RegDLL "$INSTDIR\${name}"
    ${If} ${Errors}
        SetErrorLevel 3
        MessageBox MB_OK|MB_ICONSTOP "${name} 컨트롤을 등록하지 못했습니다.$\r$\n설치 프로그램을 다시 실행해 주세요." /SD IDOK
        Abort "${name} 컨트롤을 등록하지 못했습니다."
    ${EndIf}
!macroend

; Gatekin starts "Notewell.exe" by the system's search for programs, so the
; program folder goes on the system's search path. A path longer than the
; installer can hold is left alone rather than cut.
Function AddToSearchPath
    ReadRegStr $0 HKLM "${ENV_KEY}" "Path"
    StrLen $1 $0
    IntOp $2 ${NSIS_MAX_STRLEN} - 300
    ${If} $1 > $2
        DetailPrint "검색 경로가 너무 길어 바꾸지 않았습니다."
        Return
    ${EndIf}
    ${StrStr} $1 ";$0;" ";$INSTDIR;"
    ${If} $1 != ""
        Return
    ${EndIf}
    ${If} $0 == ""
        StrCpy $0 "$INSTDIR"
    ${Else}
        StrCpy $0 "$0;$INSTDIR"
    ${EndIf}
    WriteRegExpandStr HKLM "${ENV_KEY}" "Path" "$0"
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
FunctionEnd

Function un.RemoveFromSearchPath
    ReadRegStr $0 HKLM "${ENV_KEY}" "Path"
    StrLen $1 $0
    IntOp $2 ${NSIS_MAX_STRLEN} - 300
    ${If} $1 > $2
        Return
    ${EndIf}
    ${UnStrStr} $1 ";$0;" ";$INSTDIR;"
    ${If} $1 == ""
        Return
    ${EndIf}
    ${UnStrRep} $0 ";$0;" ";$INSTDIR;" ";"
    ; The two ends added above.
    StrCpy $0 $0 "" 1
    StrCpy $0 $0 -1
    WriteRegExpandStr HKLM "${ENV_KEY}" "Path" "$0"
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
FunctionEnd

; The notewell: scheme starts Notewell, which takes from the link only
; "start" and a page's token, never an identity. Windows keeps one such key
; for programs of both bitnesses; wine keeps one per registry view, so a
; 32-bit and a 64-bit browser both find it only when it is in both.
!macro WRITE_URL_SCHEME
    WriteRegStr HKLM "${SCHEME_KEY}" "" "URL:Notewell"
    WriteRegStr HKLM "${SCHEME_KEY}" "URL Protocol" ""
    WriteRegStr HKLM "${SCHEME_KEY}\DefaultIcon" "" '"$INSTDIR\Notewell.exe",0'
    WriteRegStr HKLM "${SCHEME_KEY}\shell\open\command" "" '"$INSTDIR\Notewell.exe" --url "%1"'
!macroend

; The installer's own registry view, as .onInit chose it.
!macro INSTALLER_REG_VIEW
!if "${ARCH}" == "amd64"
    SetRegView 64
!else
    SetRegView 32
!endif
!macroend

!macro DELETE_URL_SCHEME
    DeleteRegKey HKLM "${SCHEME_KEY}"
!macroend

; Runs a macro in the 32-bit view and, on 64-bit Windows, in the 64-bit one.
!macro IN_BOTH_REG_VIEWS macro
    SetRegView 32
    !insertmacro ${macro}
!if "${ARCH}" == "amd64"
    SetRegView 64
    !insertmacro ${macro}
!else
    ${If} ${RunningX64}
        SetRegView 64
        !insertmacro ${macro}
    ${EndIf}
!endif
    !insertmacro INSTALLER_REG_VIEW
!macroend

Function RegisterUrlScheme
    !insertmacro IN_BOTH_REG_VIEWS WRITE_URL_SCHEME
FunctionEnd

Function un.RemoveUrlScheme
    !insertmacro IN_BOTH_REG_VIEWS DELETE_URL_SCHEME
FunctionEnd

Function .onInit
!if "${ARCH}" == "amd64"
    SetRegView 64
!endif
FunctionEnd

Function un.onInit
!if "${ARCH}" == "amd64"
    SetRegView 64
!endif
FunctionEnd

Section "Corvala" SecMain
    SectionIn RO
    Call CloseTrayClient
    SetOutPath "$INSTDIR"
    !insertmacro INSTALL_FILE "${NOTEWELL}" "Notewell.exe"
    !insertmacro INSTALL_FILE "${GATEKIN}" "Gatekin.ocx"
    !insertmacro INSTALL_FILE "${ROSTERLY}" "Rosterly.ocx"
    !insertmacro INSTALL_FILE "${SOUNDS}/RqChat.wav" "RqChat.wav"
    !insertmacro INSTALL_FILE "${SOUNDS}/MsgMusic.wav" "MsgMusic.wav"
    !insertmacro REGISTER_CONTROL "Gatekin.ocx"
    !insertmacro REGISTER_CONTROL "Rosterly.ocx"
    Call AddToSearchPath
    Call RegisterUrlScheme

    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    WriteRegStr HKLM "${PRODUCT_KEY}" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${PRODUCT_KEY}" "Version" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Notewell.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Call un.CloseTrayClient
    ; The controls' own unregistration leaves the component categories in place.
    UnRegDLL "$INSTDIR\Gatekin.ocx"
    UnRegDLL "$INSTDIR\Rosterly.ocx"
    Call un.RemoveFromSearchPath
    Call un.RemoveUrlScheme
    ; Only what the installer put here: anything the member added stays.
    Delete /REBOOTOK "$INSTDIR\Notewell.exe"
    Delete /REBOOTOK "$INSTDIR\Gatekin.ocx"
    Delete /REBOOTOK "$INSTDIR\Rosterly.ocx"
    ; Copies waiting for a restart to replace files that were in use.
    Delete /REBOOTOK "$INSTDIR\Notewell.exe.new"
    Delete /REBOOTOK "$INSTDIR\Gatekin.ocx.new"
    Delete /REBOOTOK "$INSTDIR\Rosterly.ocx.new"
    Delete "$INSTDIR\RqChat.wav"
    Delete "$INSTDIR\MsgMusic.wav"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir /REBOOTOK "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "${PRODUCT_KEY}"
SectionEnd
