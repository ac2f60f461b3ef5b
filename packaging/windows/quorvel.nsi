; The Windows installer: both programs into Program Files for every user of the machine, a Start
; menu entry, project files (.qvlprj) opened by Quorvel, and an uninstaller listed among the
; installed programs. makensis gets VERSION, STAGE (the folder with the files to install) and OUTFILE.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define APP_NAME "Quorvel"
!define PROG_ID "Quorvel.Project"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel"
!define SHCNE_ASSOCCHANGED 0x08000000

Name "${APP_NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${APP_NAME}"
; A later installer finds the folder that an earlier one chose.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${APP_NAME} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${APP_NAME}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP_NAME} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "The Quorvel authors"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 the Quorvel authors. MIT License."

!define MUI_ICON "${STAGE}\quorvel.ico"
!define MUI_UNICON "${STAGE}\quorvel.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\quorvel.exe"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetShellVarContext all
FunctionEnd

Section "Install"
    SetOutPath "$INSTDIR"
    File "${STAGE}\quorvel.exe"
    File "${STAGE}\quorvel-scan.exe"
    File "${STAGE}\README.md"
    File "${STAGE}\LICENSE.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateShortcut "$SMPROGRAMS\${APP_NAME}.lnk" "$INSTDIR\quorvel.exe" "" "$INSTDIR\quorvel.exe" 0

    WriteRegStr HKLM "Software\Classes\.qvlprj" "" "${PROG_ID}"
    WriteRegStr HKLM "Software\Classes\${PROG_ID}" "" "Quorvel project"
    WriteRegStr HKLM "Software\Classes\${PROG_ID}\DefaultIcon" "" "$INSTDIR\quorvel.exe,1"
    WriteRegStr HKLM "Software\Classes\${PROG_ID}\shell\open\command" "" '"$INSTDIR\quorvel.exe" "%1"'
    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP_NAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorvel.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Quorvel authors"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "https://quorvel.example.org/"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
    Delete "$INSTDIR\quorvel.exe"
    Delete "$INSTDIR\quorvel-scan.exe"
    Delete "$INSTDIR\README.md"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR" ; only when empty: files the user put there stay
    Delete "$SMPROGRAMS\${APP_NAME}.lnk"

    ; The extension goes only while it is still ours: another program may have taken it since.
    ReadRegStr $0 HKLM "Software\Classes\.qvlprj" ""
    StrCmp $0 "${PROG_ID}" 0 +2
        DeleteRegKey HKLM "Software\Classes\.qvlprj"
    DeleteRegKey HKLM "Software\Classes\${PROG_ID}"
    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
