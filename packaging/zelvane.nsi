; Installer of Zelvane for one architecture, built by tools/package.sh, which defines
;   ARCH (win64 or win32), VERSION (major.minor), FILEVERSION (four numbers), OUTFILE,
;   ICON (the program icon), FILES (the generated macros ShipFiles and UnshipFiles) and
;   PROGRAM_KB (the size of the shipped files, for Programs and Features).
; Exit codes (also of the uninstaller): 0 done; 1 cancelled or failed; 2 a running
; Zelvane did not exit when asked; 3 silent, and a running Zelvane holds unsaved text
; (nothing was changed, the program keeps running with its text).
; Per user, no administrator rights: the library lives beside the program, so the
; program goes into a folder the user can write to, and everything the installer
; writes to the registry is under HKCU.
Unicode true
; The uninstaller is signed as the programs are (sign.sh does nothing without a
; certificate); the copy beside the package is what the signing check reads.
!uninstfinalize 'bash "${SIGN}" "%1" && cp "%1" "${SIGNED_COPY}"'
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
; The main window's class, the same in every version (its caption carries one).
!define FRAME_CLASS "ZelvaneMainFrame"
!define EXIT_COMMAND 32795               ; File > 退出程序
!define QUERY_UNSAVED 32828              ; WM_APP + 60: 1 when the editor holds unsaved text
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelvane"
!define MENU_KEY `Software\Microsoft\Internet Explorer\MenuExt\使用"Zelvane"捕获网文`
!define HOST_NAME "zelvane.host"         ; the browser extension's native messaging host
!define MENU_FOLDER "$SMPROGRAMS\Zelvane"

Name "${PRODUCT} ${VERSION}"
Caption "${PRODUCT} ${VERSION} 安装"
OutFile "${OUTFILE}"
InstallDir "$PROFILE\Zelvane"
; Installing again goes where the program already is, so one entry names one copy.
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_DIRECTORYPAGE_TEXT_TOP "网文库（分类文件夹、网文和图片）就保存在程序所在的文件夹里，所以请选择一个您有写入权限的文件夹。在已安装的文件夹上再次安装会保留原来的网文库和设置。"
; A running program is asked to exit only once the folder is chosen: a cancel on the
; folder page leaves it running.
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CloseRunning
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Pagewick.exe"
; A first start from here writes its settings and folders and goes on running.
!define MUI_FINISHPAGE_RUN_PARAMETERS "/installed"
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
; Unsaved text in its editor is the user's to save: the program is not asked to exit
; while it holds some. Otherwise it is asked through its own exit command; when it is
; still running after that, nothing is changed.
!macro CLOSE_RUNNING UN
Function ${UN}CloseRunning
  unsaved:
  FindWindow $0 "${FRAME_CLASS}"
  ${If} $0 == 0
    Return
  ${EndIf}
  SendMessage $0 ${QUERY_UNSAVED} 0 0 $1 /TIMEOUT=2000
  ${If} $1 == 1
    ${If} ${Silent}
      SetErrorLevel 3
      Quit
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Zelvane 的编辑器里有未保存的网文。请先在 Zelvane 里保存它（文件 > 保存网文）或清空编辑器，然后点“重试”；点“取消”不关闭 Zelvane。" IDRETRY unsaved
    Abort
  ${EndIf}
  ${IfNot} ${Silent}
    MessageBox MB_OKCANCEL|MB_ICONINFORMATION "Zelvane 正在运行。点“确定”将关闭它再继续；点“取消”不关闭。" IDOK +2
    Abort
  ${EndIf}
  retry:
  ; Sent with a short time-out: the exit command may wait in a question.
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

; Without pages the folder is known at once.
Function .onInit
  ${If} ${Silent}
    Call CloseRunning
  ${EndIf}
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
  ; The 32-bit copy for the browsers' 32-bit tab processes, by the 32-bit regsvr32.
  ${If} ${FileExists} "$INSTDIR\x86\Linkmoss.dll"
    ExecWait `"$WINDIR\SysWOW64\regsvr32.exe" /s "$INSTDIR\x86\Linkmoss.dll"`
  ${EndIf}
  ; Today's browsers: the host's manifests and keys now, not only at the program's first
  ; start (the extension in the browser-extension folder may be loaded before that).
  IfFileExists "$INSTDIR\ZelvaneHost.exe" 0 +2
    nsExec::Exec `"$INSTDIR\ZelvaneHost.exe" /register`

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
  ; The program's files only: the library beside them is the user's.
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" ${PROGRAM_KB}
SectionEnd

; Up to three keys under HKCU, deepest first, each only when nothing is left in it.
!macro DeleteEmptyKeys K1 K2 K3
  DeleteRegKey /ifempty HKCU "${K1}"
  !if "${K2}" != ""
    DeleteRegKey /ifempty HKCU "${K2}"
  !endif
  !if "${K3}" != ""
    DeleteRegKey /ifempty HKCU "${K3}"
  !endif
!macroend

Section "Uninstall"
  ExecWait `"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\Linkmoss.dll"`
  ${If} ${FileExists} "$INSTDIR\x86\Linkmoss.dll"
    ExecWait `"$WINDIR\SysWOW64\regsvr32.exe" /u /s "$INSTDIR\x86\Linkmoss.dll"`
  ${EndIf}
  DeleteRegKey HKCU `${MENU_KEY}`
  DeleteRegKey HKCU "Software\Google\Chrome\NativeMessagingHosts\${HOST_NAME}"
  DeleteRegKey HKCU "Software\Microsoft\Edge\NativeMessagingHosts\${HOST_NAME}"
  DeleteRegKey HKCU "Software\Chromium\NativeMessagingHosts\${HOST_NAME}"
  DeleteRegKey HKCU "Software\Mozilla\NativeMessagingHosts\${HOST_NAME}"
  ; The parents the registration made on a machine without that browser, when empty.
  !insertmacro DeleteEmptyKeys "Software\Google\Chrome\NativeMessagingHosts" "Software\Google\Chrome" "Software\Google"
  !insertmacro DeleteEmptyKeys "Software\Microsoft\Edge\NativeMessagingHosts" "Software\Microsoft\Edge" ""
  !insertmacro DeleteEmptyKeys "Software\Chromium\NativeMessagingHosts" "Software\Chromium" ""
  !insertmacro DeleteEmptyKeys "Software\Mozilla\NativeMessagingHosts" "Software\Mozilla" ""
  !insertmacro DeleteEmptyKeys "Software\Microsoft\Internet Explorer\MenuExt" "" ""
  RMDir /r "$INSTDIR\browser-extension"
  ; The host manifests the program writes beside itself at each start.
  Delete "$INSTDIR\${HOST_NAME}.chromium.json"
  Delete "$INSTDIR\${HOST_NAME}.firefox.json"
  ; The search store (and the index of older versions) is made again from the library whenever it is missing.
  Delete "$INSTDIR\LibraryIndex.db"
  Delete "$INSTDIR\LibraryIndex.db-journal"
  Delete "$INSTDIR\LibraryIndex.db-wal"
  Delete "$INSTDIR\LibraryIndex.db-shm"
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
