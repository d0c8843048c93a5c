; Kestrane's installer. installer/CMakeLists.txt builds it for each program build and passes:
;   KESTRANE_TARGET     x86-unicode or amd64-unicode
;   KESTRANE_EXE        the Kestrane.exe to pack
;   KESTRANE_VERSION    the program's version (YYYYMMDD), KESTRANE_VI_VERSION the same as a.b.c.d
;   KESTRANE_ICON       resources/kestrane.ico
;   KESTRANE_OUTFILE    where to write the installer
;   KESTRANE_TEMPLATES_NSH  macros that install the shipped templates file by file and remove them
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
!insertmacro REQUIRE KESTRANE_TEMPLATES_NSH

Unicode true
Target ${KESTRANE_TARGET}
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include WinMessages.nsh
!include "${KESTRANE_TEMPLATES_NSH}"

!define WINDOW_CLASS "KestraneMainDialog"
!define SETTINGS_KEY "Software\Kestrane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrane"
; Written by the installer; the uninstaller works only in a folder that has it.
!define INSTALL_MARKER "Kestrane.install"
; Exit codes besides 0 (done), 1 (cancelled) and 2 (failed, e.g. Kestrane.exe could not be replaced).
!define EXIT_NEWER_INSTALLED 3
!define EXIT_NOT_AN_INSTALL 4

Name "Kestrane"
BrandingText "Kestrane ${KESTRANE_VERSION}"
OutFile "${KESTRANE_OUTFILE}"
; For the current user, without administrator rights: the program folder stays writable for
; config.xml and the data folders beside Kestrane.exe, and updates install without elevation.
InstallDir "$LOCALAPPDATA\Programs\Kestrane"
; An update goes over the copy the user already has.
InstallDirRegKey HKCU "${SETTINGS_KEY}" "InstallDir"
RequestExecutionLevel user

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
LangString CannotRemove ${LANG_ENGLISH} "Kestrane.exe in $INSTDIR cannot be removed: Kestrane is still running. Close Kestrane and run the uninstaller again; nothing was removed."
LangString CannotRemove ${LANG_SIMPCHINESE} "无法删除 $INSTDIR 中的 Kestrane.exe：Kestrane 仍在运行。请关闭 Kestrane 后重新运行卸载程序；未删除任何内容。"
LangString CannotRemove ${LANG_TRADCHINESE} "無法刪除 $INSTDIR 中的 Kestrane.exe：Kestrane 仍在執行。請關閉 Kestrane 後重新執行解除安裝程式；未刪除任何內容。"
LangString NewerInstalled ${LANG_ENGLISH} "A newer Kestrane is already installed in $INSTDIR. Replace it with this older version?"
LangString NewerInstalled ${LANG_SIMPCHINESE} "$INSTDIR 中已安装了更新版本的 Kestrane。是否用这个较旧的版本替换它？"
LangString NewerInstalled ${LANG_TRADCHINESE} "$INSTDIR 中已安裝了較新版本的 Kestrane。是否用這個較舊的版本取代它？"
LangString NotAnInstall ${LANG_ENGLISH} "$INSTDIR does not look like a Kestrane installation; nothing was removed."
LangString NotAnInstall ${LANG_SIMPCHINESE} "$INSTDIR 看起来不是 Kestrane 的安装文件夹；未删除任何内容。"
LangString NotAnInstall ${LANG_TRADCHINESE} "$INSTDIR 看起來不是 Kestrane 的安裝資料夾；未刪除任何內容。"
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

; A Kestrane.exe already in $INSTDIR whose version resource is newer than this build's is not
; replaced unless the user says so; a silent install (an update, a script) refuses.
Function RefuseToDowngrade
  ${IfNot} ${FileExists} "$INSTDIR\Kestrane.exe"
    Return
  ${EndIf}
  ClearErrors
  GetDLLVersion "$INSTDIR\Kestrane.exe" $R0 $R1
  ${If} ${Errors}
    Return  ; no version resource: older than any build that has one
  ${EndIf}
  GetDLLVersionLocal "${KESTRANE_EXE}" $R2 $R3
  StrCpy $R4 0
  ${If} $R0 U> $R2
    StrCpy $R4 1
  ${ElseIf} $R0 = $R2
  ${AndIf} $R1 U> $R3
    StrCpy $R4 1
  ${EndIf}
  ${If} $R4 = 1
    MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "$(NewerInstalled)" /SD IDNO IDYES replace
    SetErrorLevel ${EXIT_NEWER_INSTALLED}
    Abort "$(NewerInstalled)"
  replace:
  ${EndIf}
FunctionEnd

Section "Kestrane"
  Call RefuseToDowngrade
  SetOutPath "$INSTDIR"
  Call CloseKestrane
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

  !insertmacro INSTALL_TEMPLATES

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ClearErrors
  FileOpen $0 "$INSTDIR\${INSTALL_MARKER}" w
  FileWrite $0 "Kestrane ${KESTRANE_VERSION}$\r$\n"
  FileClose $0

  SetShellVarContext current
  CreateDirectory "$SMPROGRAMS\Kestrane"
  CreateShortcut "$SMPROGRAMS\Kestrane\Kestrane.lnk" "$INSTDIR\Kestrane.exe"
  CreateShortcut "$SMPROGRAMS\Kestrane\Uninstall.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKCU "${SETTINGS_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Kestrane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${KESTRANE_VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Kestrane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kestrane.exe"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

  ; A silent install is how the program updates itself: bring it back as it was.
  ; The output path above makes the program folder its working folder.
  ${If} ${Silent}
  ${AndIf} $WasRunning = 1
    Exec '"$INSTDIR\Kestrane.exe"'
  ${EndIf}
SectionEnd

; The uninstaller deletes only in a folder the installer made: its own copy and the marker
; must be there, whatever folder it was started in or pointed at (_?=).
Function un.onInit
  ${IfNot} ${FileExists} "$INSTDIR\Uninstall.exe"
  ${OrIfNot} ${FileExists} "$INSTDIR\${INSTALL_MARKER}"
    MessageBox MB_OK|MB_ICONSTOP "$(NotAnInstall)" /SD IDOK
    SetErrorLevel ${EXIT_NOT_AN_INSTALL}
    Quit
  ${EndIf}
FunctionEnd

; $1 = 1 when the path $0 (relative to $INSTDIR) or a folder on the way to it is a junction or
; symbolic link: what lies behind one is not the installer's to delete.
Function un.LinkOnTheWay
  Push $2
  Push $3
  Push $R9
  StrCpy $1 0
  StrCpy $2 0
  ${Do}
    StrCpy $3 $0 1 $2
    ${If} $3 == "\"
    ${OrIf} $3 == ""
      StrCpy $R9 $0 $2
      StrCpy $R9 "$INSTDIR\$R9"
      System::Call 'kernel32::GetFileAttributesW(w R9) i .R9'
      ${If} $R9 <> -1
        IntOp $R9 $R9 & 0x400  ; FILE_ATTRIBUTE_REPARSE_POINT
        ${If} $R9 <> 0
          StrCpy $1 1
          ${ExitDo}
        ${EndIf}
      ${EndIf}
      ${If} $3 == ""
        ${ExitDo}
      ${EndIf}
    ${EndIf}
    IntOp $2 $2 + 1
  ${Loop}
  Pop $R9
  Pop $3
  Pop $2
FunctionEnd

; Used by UNINSTALL_TEMPLATES: one shipped template file, and then its emptied folders.
!macro un.REMOVE_SHIPPED relative
  StrCpy $0 "templates\${relative}"
  Call un.LinkOnTheWay
  ${If} $1 = 0
    Delete "$INSTDIR\$0"
  ${EndIf}
!macroend
!macro un.REMOVE_SHIPPED_FOLDER relative
  !if "${relative}" == ""
    StrCpy $0 "templates"
  !else
    StrCpy $0 "templates\${relative}"
  !endif
  Call un.LinkOnTheWay
  ${If} $1 = 0
    RMDir "$INSTDIR\$0"  ; only when empty: templates the user added stay
  ${EndIf}
!macroend

; Deletes the file or folder tree on the stack. A junction or symbolic link is neither entered
; nor removed (RMDir /r follows them, and Wine deletes a link's empty target in its place): it
; stays, and with it the folders that hold it.
Function un.RemoveTree
  Exch $0
  Push $1
  Push $2
  Push $R9
  StrCpy $R9 $0
  System::Call 'kernel32::GetFileAttributesW(w R9) i .R9'
  ${If} $R9 = -1
    Goto done
  ${EndIf}
  IntOp $1 $R9 & 0x400  ; FILE_ATTRIBUTE_REPARSE_POINT
  ${If} $1 <> 0
    Goto done
  ${EndIf}
  IntOp $1 $R9 & 0x10  ; FILE_ATTRIBUTE_DIRECTORY
  ${If} $1 = 0
    Delete $0
    Goto done
  ${EndIf}
  FindFirst $1 $2 "$0\*"
  ${DoWhile} $2 != ""
    ${If} $2 != "."
    ${AndIf} $2 != ".."
      Push "$0\$2"
      Call un.RemoveTree
    ${EndIf}
    FindNext $1 $2
  ${Loop}
  FindClose $1
  RMDir $0
done:
  Pop $R9
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

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
  ; Stop before anything else goes, so the folder is still an install the uninstaller accepts.
  ${If} ${FileExists} "$INSTDIR\Kestrane.exe"
    MessageBox MB_OK|MB_ICONSTOP "$(CannotRemove)" /SD IDOK
    SetErrorLevel 2
    Abort "$(CannotRemove)"
  ${EndIf}
  !insertmacro UNINSTALL_TEMPLATES
  ; Only downloaded installers live here.
  Push "$INSTDIR\update"
  Call un.RemoveTree
  ; Answers and template pages the program saves in its debug mode.
  Delete "$INSTDIR\dbg_*.xml"
  Delete "$INSTDIR\dbg_*.html"
  Delete "$INSTDIR\Uninstall.exe"

  ; The program's own auto-start shortcut is per user, as is everything else.
  SetShellVarContext current
  Delete "$SMSTARTUP\Kestrane.lnk"
  Delete "$SMPROGRAMS\Kestrane\Kestrane.lnk"
  Delete "$SMPROGRAMS\Kestrane\Uninstall.lnk"
  RMDir "$SMPROGRAMS\Kestrane"

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "${SETTINGS_KEY}"

  ; Pictures and settings are the user's: keep them unless asked (and always when silent).
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(RemoveData)" /SD IDNO IDNO keepData
    Push "$INSTDIR\data"
    Call un.RemoveTree
    Push "$INSTDIR\favorites"
    Call un.RemoveTree
    ; With the copies the program keeps of a broken or half-written config.xml.
    Delete "$INSTDIR\config.xml"
    Delete "$INSTDIR\config.xml.broken"
    Delete "$INSTDIR\config.xml.tmp"
    Delete "$INSTDIR\banned.xml"
    Delete "$INSTDIR\banned.xml.bad"
    Delete "$INSTDIR\banned.xml.tmp"
  keepData:
  Delete "$INSTDIR\${INSTALL_MARKER}"
  ; Whatever else the user put there stays, and with it the folder.
  RMDir "$INSTDIR"
SectionEnd
