; The installer of Sitemoat, built by installer/CMakeLists.txt with
;   makensis -INPUTCHARSET UTF8 -DVERSION=... -DPUBLISHER=... -DPROGRAM=<Sitemoat.exe>
;            -DICON=<Sitemoat.ico> -DOUTFILE=<Sitemoat-<version>-setup.exe> Sitemoat.nsi
; For the whole machine, into the system's Program Files folder and nowhere
; else: the daily task runs the program there elevated with no prompt, so it
; must sit where only administrators can write. "/S" installs and
; uninstalls silently.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "MUI2.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Sitemoat"
; Read by the program: only the copy recorded here may have the daily task.
!define PROGRAM_KEY "Software\Sitemoat"
!define TASK_NAME "Sitemoat Daily Update"

Name "Sitemoat"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Sitemoat"
BrandingText "Sitemoat ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "Sitemoat"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "Sitemoat 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "${PUBLISHER}"

Function .onInit
  SetShellVarContext all
  SetRegView 64
  ; No other folder, not even with /D=.
  StrCpy $INSTDIR "$PROGRAMFILES64\Sitemoat"
FunctionEnd

Section "Sitemoat"
  SetOutPath "$INSTDIR"
  File "/oname=Sitemoat.exe" "${PROGRAM}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Sitemoat.lnk" "$INSTDIR\Sitemoat.exe" "" "$INSTDIR\Sitemoat.exe" 0

  WriteRegStr HKLM "${PROGRAM_KEY}" "InstallPath" "$INSTDIR\Sitemoat.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Sitemoat"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Sitemoat.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

; HOSTS as it was before Sitemoat first changed it, from backup\; the HOSTS
; it replaces is kept there too.
Function un.RestoreOriginalHosts
  ReadRegStr $0 HKLM "SYSTEM\CurrentControlSet\Services\Tcpip\Parameters" "DataBasePath"
  ${If} $0 == ""
    StrCpy $0 "$SYSDIR\drivers\etc"
  ${EndIf}
  ExpandEnvStrings $0 $0
  ClearErrors
  CopyFiles /SILENT "$0\hosts" "$INSTDIR\backup\hosts-before-uninstall.bak"
  ${IfNot} ${Errors}
    CopyFiles /SILENT "$INSTDIR\backup\hosts-original.bak" "$0\hosts"
  ${EndIf}
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION "无法恢复Host表：$0\hosts 无法写入（可能是只读文件或正被其他程序使用）。" /SD IDOK
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The task starts the program elevated: it goes first.
  nsExec::Exec '"$SYSDIR\schtasks.exe" /Delete /TN "${TASK_NAME}" /F'
  Pop $0

  ; A backup folder that is a link is never read or emptied through.
  ${GetFileAttributes} "$INSTDIR\backup" "REPARSE_POINT" $1
  ${If} $1 != 1
  ${AndIf} ${FileExists} "$INSTDIR\backup\hosts-original.bak"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
      "是否把Host表恢复为Sitemoat第一次修改它之前的样子？$\r$\n选择“否”则Host表保持现在的内容。" \
      /SD IDNO IDNO keepHosts
    Call un.RestoreOriginalHosts
    keepHosts:
  ${EndIf}

  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "是否同时删除Sitemoat的设置（config.ini）和Host表的备份（backup文件夹）？$\r$\n选择“否”则保留它们，重新安装后可以继续使用。" \
    /SD IDNO IDNO keepData
  Delete "$INSTDIR\config.ini"
  ${If} $1 == 1
    RMDir "$INSTDIR\backup"
  ${Else}
    Delete "$INSTDIR\backup\hosts-*.bak"
    RMDir "$INSTDIR\backup"
  ${EndIf}
  keepData:

  Delete "$INSTDIR\Sitemoat.exe"
  Delete "$INSTDIR\temp.txt"
  Delete "$INSTDIR\update.log"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Sitemoat.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${PROGRAM_KEY}"
SectionEnd
