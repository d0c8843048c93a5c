; Kestrane's installer. installer/CMakeLists.txt builds it for each program build and passes:
;   KESTRANE_TARGET     x86-unicode or amd64-unicode
;   KESTRANE_EXE        the Kestrane.exe to pack
;   KESTRANE_VERSION    the program's version (YYYYMMDD), KESTRANE_VI_VERSION the same as a.b.c.d
;   KESTRANE_ICON       resources/kestrane.ico
;   KESTRANE_OUTFILE    where to write the installer
;   KESTRANE_TEMPLATES  the shipped templates folder, only when the source tree has one
; This file starts with a UTF-8 byte-order mark so makensis reads the Chinese texts as UTF-8.

!macro REQUIRE name
  !ifndef ${name}
    !error "Define ${name} (makensis -D${name}=...); installer/CMakeLists.txt passes them all"
  !endif
!macroend
!insertmacro REQUIRE KESTRANE_TARGET
!insertmacro REQUIRE KESTRANE_EXE
!insertmacro REQUIRE KESTRANE_VERSION
!insertmacro REQUIRE KESTRANE_VI_VERSION
!insertmacro REQUIRE KESTRANE_ICON
!insertmacro REQUIRE KESTRANE_OUTFILE

Unicode true
Target ${KESTRANE_TARGET}
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include WinMessages.nsh

!define WINDOW_CLASS "KestraneMainDialog"
!define SETTINGS_KEY "Software\Kestrane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrane"

Name "Kestrane"
BrandingText "Kestrane ${KESTRANE_VERSION}"
OutFile "${KESTRANE_OUTFILE}"
!if "${KESTRANE_TARGET}" == "amd64-unicode"
  InstallDir "$PROGRAMFILES64\Kestrane"
!else
  InstallDir "$PROGRAMFILES\Kestrane"
!endif
; An update goes over the copy the user already has.
InstallDirRegKey HKLM "${SETTINGS_KEY}" "InstallDir"
RequestExecutionLevel admin

; 1 when the installer (or uninstaller) had to close a running Kestrane.
Var WasRunning

!define MUI_ICON "${KESTRANE_ICON}"
!define MUI_UNICON "${KESTRANE_ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Kestrane.exe"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The program's own three languages; the system's language picks one.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "TradChinese"

LangString CannotReplace ${LANG_ENGLISH} "Kestrane.exe in $INSTDIR cannot be replaced: Kestrane is still running or the folder is not writable. Close Kestrane and run the installer again."
LangString CannotReplace ${LANG_SIMPCHINESE} "无法替换 $INSTDIR 中的 Kestrane.exe：Kestrane 仍在运行，或该文件夹不可写入。请关闭 Kestrane 后重新运行安装程序。"
LangString CannotReplace ${LANG_TRADCHINESE} "無法替換 $INSTDIR 中的 Kestrane.exe：Kestrane 仍在執行，或該資料夾無法寫入。請關閉 Kestrane 後重新執行安裝程式。"
LangString RemoveData ${LANG_ENGLISH} "Also remove your pictures, favourites and settings (the data and favorites folders and config.xml)?"
LangString RemoveData ${LANG_SIMPCHINESE} "是否同时删除您的图片、收藏和设置（data 和 favorites 文件夹以及 config.xml）？"
LangString RemoveData ${LANG_TRADCHINESE} "是否同時刪除您的圖片、收藏和設定（data 和 favorites 資料夾以及 config.xml）？"

VIProductVersion "${KESTRANE_VI_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Kestrane"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "Kestrane"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Kestrane Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${KESTRANE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${KESTRANE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Kestrane"

; Asks every running Kestrane to exit (on WM_CLOSE it saves its settings and ends) and
; waits up to 15 s for its windows to go.
!macro DEFINE_CLOSE_KESTRANE prefix
  Function ${prefix}CloseKestrane
    StrCpy $WasRunning 0
    StrCpy $1 0
    StrCpy $2 0
    ${Do}
      FindWindow $0 "${WINDOW_CLASS}"
      ${If} $0 = 0
        ${ExitDo}
      ${EndIf}
      StrCpy $WasRunning 1
      ; Once per window (it is shutting down after the first); a hung program must not
      ; hang the installer with it.
      ${If} $0 <> $2
        SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=1000
        StrCpy $2 $0
      ${EndIf}
      Sleep 250
      IntOp $1 $1 + 1
    ${LoopUntil} $1 >= 60
  FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_KESTRANE ""
!insertmacro DEFINE_CLOSE_KESTRANE "un."

Section "Kestrane"
  Call CloseKestrane
  SetOutPath "$INSTDIR"
  ; The old process may hold its file for a moment after its window has gone:
  ; retry for up to 15 s rather than ask the user (nobody answers in silent mode).
  SetOverwrite try
  StrCpy $1 0
  ${Do}
    ClearErrors
    File "/oname=Kestrane.exe" "${KESTRANE_EXE}"
    ${IfNot} ${Errors}
      ${ExitDo}
    ${EndIf}
    IntOp $1 $1 + 1
    ${If} $1 >= 30
      MessageBox MB_OK|MB_ICONSTOP "$(CannotReplace)" /SD IDOK
      SetErrorLevel 2
      Abort "$(CannotReplace)"
    ${EndIf}
    Sleep 500
  ${Loop}
  SetOverwrite on

!ifdef KESTRANE_TEMPLATES
  SetOutPath "$INSTDIR\templates"
  File /r "${KESTRANE_TEMPLATES}/*"
!endif

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\Kestrane"
  CreateShortcut "$SMPROGRAMS\Kestrane\Kestrane.lnk" "$INSTDIR\Kestrane.exe"
  CreateShortcut "$SMPROGRAMS\Kestrane\Uninstall.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${SETTINGS_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Kestrane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${KESTRANE_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Kestrane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kestrane.exe"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; A silent install is how the program updates itself: bring it back as it was.
  ; The output path above makes the program folder its working folder.
  ${If} ${Silent}
  ${AndIf} $WasRunning = 1
    Exec '"$INSTDIR\Kestrane.exe"'
  ${EndIf}
SectionEnd

Section "Uninstall"
  Call un.CloseKestrane
  ; As above, the process may outlive its window briefly.
  StrCpy $1 0
  ${Do}
    Delete "$INSTDIR\Kestrane.exe"
    ${IfNot} ${FileExists} "$INSTDIR\Kestrane.exe"
      ${ExitDo}
    ${EndIf}
    Sleep 500
    IntOp $1 $1 + 1
  ${LoopUntil} $1 >= 30
  RMDir /r "$INSTDIR\templates"
  ; Only downloaded installers live here.
  RMDir /r "$INSTDIR\update"
  ; Answers and template pages the program saves in its debug mode.
  Delete "$INSTDIR\dbg_*.xml"
  Delete "$INSTDIR\dbg_*.html"
  Delete "$INSTDIR\Uninstall.exe"

  ; The program's own auto-start shortcut is per user.
  SetShellVarContext current
  Delete "$SMSTARTUP\Kestrane.lnk"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Kestrane\Kestrane.lnk"
  Delete "$SMPROGRAMS\Kestrane\Uninstall.lnk"
  RMDir "$SMPROGRAMS\Kestrane"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${SETTINGS_KEY}"

  ; Pictures and settings are the user's: keep them unless asked (and always when silent).
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(RemoveData)" /SD IDNO IDNO keepData
    RMDir /r "$INSTDIR\data"
    RMDir /r "$INSTDIR\favorites"
    ; With the copies the program keeps of a broken or half-written config.xml.
    Delete "$INSTDIR\config.xml"
    Delete "$INSTDIR\config.xml.broken"
    Delete "$INSTDIR\config.xml.tmp"
  keepData:
  ; Whatever else the user put there stays, and with it the folder.
  RMDir "$INSTDIR"
SectionEnd
