; Installer of Zelvane for one architecture, built by tools/package.sh, which defines
;   ARCH (win64 or win32), VERSION (1.3), FILEVERSION (1.3.0.0), OUTFILE, ICON (the
;   program icon) and FILES (the generated macros ShipFiles and UnshipFiles).
; Per user, no administrator rights: the library lives beside the program, so the
; program goes into a folder the user can write to, and everything the installer
; writes to the registry is under HKCU.
Unicode true
!if "${ARCH}" == "win64"
  Target amd64-unicode
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "${FILES}"

!define PRODUCT "Zelvane"
!define CAPTION "ZelvaneV1.3"            ; the main window's caption, to find a running program
!define EXIT_COMMAND 32795               ; File > 退出程序
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelvane"
!define MENU_KEY `Software\Microsoft\Internet Explorer\MenuExt\使用"Zelvane"捕获网文`
!define HOST_NAME "zelvane.host"         ; the browser extension's native messaging host
!define MENU_FOLDER "$SMPROGRAMS\Zelvane"

Name "${PRODUCT} ${VERSION}"
Caption "${PRODUCT} ${VERSION} 安装"
OutFile "${OUTFILE}"
InstallDir "$PROFILE\Zelvane"
BrandingText "${PRODUCT} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_DIRECTORYPAGE_TEXT_TOP "网文库（分类文件夹、网文和图片）就保存在程序所在的文件夹里，所以请选择一个您有写入权限的文件夹。在已安装的文件夹上再次安装会保留原来的网文库和设置。"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Pagewick.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\help.chm"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "查看帮助"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

VIProductVersion "${FILEVERSION}"
VIFileVersion "${FILEVERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${FILEVERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${FILEVERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${PRODUCT} ${VERSION} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "${PRODUCT}"

; A running Pagewick holds its files and would write the library while they change.
; It is asked to exit through its own exit command, so any question about unsaved
; text stays the user's; when it is still running after that, nothing is changed.
!macro CLOSE_RUNNING UN
Function ${UN}CloseRunning
  FindWindow $0 "" "${CAPTION}"
  ${If} $0 == 0
    Return
  ${EndIf}
  ${IfNot} ${Silent}
    MessageBox MB_OKCANCEL|MB_ICONINFORMATION "Zelvane 正在运行。点“确定”将关闭它再继续（编辑器里有未保存的网文时，它会先问您是否保存）；点“取消”退出。" IDOK +2
    Abort
  ${EndIf}
  retry:
  ; Sent with a short time-out: the exit command may wait in its question.
  SendMessage $0 ${WM_COMMAND} ${EXIT_COMMAND} 0 /TIMEOUT=100
  StrCpy $1 0
  ${Do}
    Sleep 250
    IntOp $1 $1 + 1
    IsWindow $0 0 closed
  ${LoopUntil} $1 >= 120
  ${If} ${Silent}
    SetErrorLevel 2
    Quit
  ${EndIf}
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Zelvane 还没有退出。请回答它的问题或从托盘菜单选择“退出程序”，然后点“重试”。" IDRETRY retry
  Abort
  closed:
  Sleep 500
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING ""
!insertmacro CLOSE_RUNNING "un."

Function .onInit
  Call CloseRunning
FunctionEnd

Function un.onInit
  Call un.CloseRunning
FunctionEnd

Section "Zelvane"
  SetOutPath "$INSTDIR"
  ; Only the program files: the library and Config.ini of an earlier installation stay.
  !insertmacro ShipFiles
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The browser extension: the same silent registration the program runs at each start.
  ExecWait `"$SYSDIR\regsvr32.exe" /s "$INSTDIR\Linkmoss.dll"`

  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\Zelvane.lnk" "$INSTDIR\Pagewick.exe" "" "$INSTDIR\Pagewick.exe" 0
  CreateShortcut "${MENU_FOLDER}\Zelvane 帮助.lnk" "$INSTDIR\help.chm"
  CreateShortcut "${MENU_FOLDER}\卸载 Zelvane.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Pagewick.exe,0"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" `"$INSTDIR\uninstall.exe"`
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" `"$INSTDIR\uninstall.exe" /S`
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  ExecWait `"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\Linkmoss.dll"`
  DeleteRegKey HKCU `${MENU_KEY}`
  DeleteRegKey HKCU "Software\Google\Chrome\NativeMessagingHosts\${HOST_NAME}"
  DeleteRegKey HKCU "Software\Microsoft\Edge\NativeMessagingHosts\${HOST_NAME}"
  DeleteRegKey HKCU "Software\Chromium\NativeMessagingHosts\${HOST_NAME}"
  DeleteRegKey HKCU "Software\Mozilla\NativeMessagingHosts\${HOST_NAME}"
  ; The host manifests the program writes beside itself at each start.
  Delete "$INSTDIR\${HOST_NAME}.chromium.json"
  Delete "$INSTDIR\${HOST_NAME}.firefox.json"
  ; The search index is made again from the library whenever it is missing.
  Delete "$INSTDIR\LibraryIndex.db"
  Delete "$INSTDIR\LibraryIndex.db-journal"
  Delete "$INSTDIR\LibraryText.cat"
  Delete "$INSTDIR\LibraryText.cat.tmp"
  Delete "$INSTDIR\LibraryText-*.dat"

  !insertmacro UnshipFiles
  Delete "$INSTDIR\uninstall.exe"
  Delete "${MENU_FOLDER}\Zelvane.lnk"
  Delete "${MENU_FOLDER}\Zelvane 帮助.lnk"
  Delete "${MENU_FOLDER}\卸载 Zelvane.lnk"
  RMDir "${MENU_FOLDER}"
  DeleteRegKey HKCU "${UNINST_KEY}"
  ; Never the library: the category folders, web texts, pictures and Config.ini stay.
  ; The folder itself goes only when nothing is left in it.
  RMDir "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR\*.*"
    DetailPrint "网文库已保留在 $INSTDIR"
    MessageBox MB_OK|MB_ICONINFORMATION "Zelvane 已卸载。您的网文库（分类文件夹、网文、图片和 Config.ini）没有删除，仍保留在：$\r$\n$INSTDIR" /SD IDOK
  ${EndIf}
SectionEnd
