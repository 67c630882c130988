; The Windows setup program: a per-user installation (no elevation) into
; %LOCALAPPDATA%\Programs\Shutterling, with a Start menu shortcut and an entry
; in Apps & features. Built by make-setup, which passes VERSION, EXE, README,
; OUTFILE and TARGET (x86-unicode or amd64-unicode, as the program).
;
; A running copy is asked to close before anything is changed: a WM_CLOSE to
; its main window runs the program's own shut-down, the same as at Exit and at
; log-off, which writes its options, count, safe list and Run value.

Unicode true
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!macro Needs name
  !ifndef ${name}
    !error "${name} is not defined: build with dist/setup/make-setup"
  !endif
!macroend
!insertmacro Needs VERSION
!insertmacro Needs EXE
!insertmacro Needs README
!insertmacro Needs OUTFILE
!insertmacro Needs TARGET
Target ${TARGET}

; Names the program's sources hold once: the maker, and the window classes a
; running copy is found by.
!define SRC "${__FILEDIR__}/../../src"
!searchparse /file "${SRC}/ui/maker.h" `#define SHUTTERLING_MAKER_NAME L"` MAKER `"`
!searchparse /file "${SRC}/ui/control_ids.h" `#define SHUTTERLING_MAIN_CLASS L"` MAIN_CLASS `"`
!searchparse /file "${SRC}/ui/control_ids.h" `#define SHUTTERLING_ABOUT_CLASS L"` ABOUT_CLASS `"`

!define APP "Shutterling"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define DATA_KEY "Software\${APP}"
; Time for a copy to write its data and end: its shut-down never waits for a
; browser, so this is ample; a copy still there after it is not answering.
!define CLOSE_WAIT_MS 10000

Name "${APP}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${APP} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "${APP}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey CompanyName "${MAKER}"
VIAddVersionKey FileDescription "${APP} Setup"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey LegalCopyright "${MAKER}"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define RES "${__FILEDIR__}/../../res"
!define MUI_ICON "${RES}/shutterling.ico"
!define MUI_UNICON "${RES}/shutterling.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
; The welcome and finish pages' picture, the program's icon on a plain panel
; (scripts/make-resources draws it for 96 and 144 DPI), shown unstretched so
; the icon's pixels stay sharp; PanelForDpi picks the one for the screen.
!define MUI_WELCOMEFINISHPAGE_BITMAP "${RES}/setup-panel-96.bmp"
!define MUI_WELCOMEFINISHPAGE_BITMAP_STRETCH NoStretchNoCrop
!define MUI_CUSTOMFUNCTION_GUIINIT PanelForDpi

!define MUI_WELCOMEPAGE_TEXT "Setup will install ${APP} ${VERSION} for you alone, in your user profile: it needs no administrator rights.$\r$\n$\r$\nIf ${APP} is running, Setup closes it first. Your settings and safe list are kept.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Shutterling.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${APP} now"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
; Nothing is written by an uninstall: no "Space required: 0.0 KB".
!define MUI_PAGE_CUSTOMFUNCTION_SHOW un.HideSpaceRequired
!define MUI_COMPONENTSPAGE_TEXT_TOP "Your settings, the counter and the safe list stay for a later installation unless you tick them below."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Runs once MUI has unpacked the 96 DPI picture for the pages: from 144 DPI up
; (the setup is DPI aware) the larger one takes its place.
Function PanelForDpi
  Push $0
  Push $1
  System::Call 'user32::GetDC(p 0) p .r0'
  ; LOGPIXELSX
  System::Call 'gdi32::GetDeviceCaps(p r0, i 88) i .r1'
  System::Call 'user32::ReleaseDC(p 0, p r0)'
  ${If} $1 >= 144
    File "/oname=$PLUGINSDIR\modern-wizard.bmp" "${RES}/setup-panel-144.bmp"
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

Function un.HideSpaceRequired
  ShowWindow $mui.ComponentsPage.SpaceRequired ${SW_HIDE}
FunctionEnd

; Closes every running copy, or stops the setup with nothing changed.
!macro CloseRunningCopies un
Function ${un}CloseRunningCopies
  Push $0
  Push $1
  Push $2
  Push $3
  ${Do}
    FindWindow $0 "${MAIN_CLASS}"
    ${IfThen} $0 == 0 ${|} ${ExitDo} ${|}
    DetailPrint "Closing the running ${APP}..."
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
    ; SYNCHRONIZE: enough to wait for it to end.
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'
    System::Call 'user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0)'
    ; An open About window outlives the main one and keeps the process.
    StrCpy $3 0
    ${Do}
      FindWindow $3 "${ABOUT_CLASS}" "" 0 $3
      ${IfThen} $3 == 0 ${|} ${ExitDo} ${|}
      System::Call 'user32::GetWindowThreadProcessId(p r3, *i .r0)'
      ${If} $0 == $1
        System::Call 'user32::PostMessageW(p r3, i ${WM_CLOSE}, p 0, p 0)'
      ${EndIf}
    ${Loop}
    ${If} $2 <> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i ${CLOSE_WAIT_MS}) i .r3'
      System::Call 'kernel32::CloseHandle(p r2)'
    ${Else}
      StrCpy $3 -1
    ${EndIf}
    ${If} $3 != 0
      ; Not WAIT_OBJECT_0: still running (or not ours to wait for).
      MessageBox MB_OK|MB_ICONSTOP "${APP} is still running and did not close.$\r$\n$\r$\nClose it (Exit in its menu in the notification area, or End task in Task Manager), then run this again." /SD IDOK
      ; NSIS's code for a setup that its script stopped (1 is Cancel).
      SetErrorLevel 2
      Pop $3
      Pop $2
      Pop $1
      Pop $0
      Abort "${APP} did not close: nothing was changed."
    ${EndIf}
  ${Loop}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro CloseRunningCopies ""
!insertmacro CloseRunningCopies "un."

Section "${APP}"
  SetShellVarContext current
  Call CloseRunningCopies

  SetOutPath "$INSTDIR"
  ; The safe list (ini\Shutterling.Dat) beside the program is the user's: kept.
  File "/oname=Shutterling.exe" "${EXE}"
  File "/oname=README.txt" "${README}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\Shutterling.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Shutterling.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; The program's own files, in KB; not the safe list.
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "un.${APP}" SecUnProgram
  SectionIn RO
  SetShellVarContext current
  ; It writes its options, safe list and Run value as it closes: before
  ; anything here is removed.
  Call un.CloseRunningCopies

  Delete "$INSTDIR\Shutterling.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$SMPROGRAMS\${APP}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; Start-up of this copy only (quoted when the path has a blank); another
  ; copy's value stays.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${APP}"
  ${If} $0 == "$INSTDIR\Shutterling.exe"
  ${OrIf} $0 == '"$INSTDIR\Shutterling.exe"'
    DeleteRegValue HKCU "${RUN_KEY}" "${APP}"
  ${EndIf}
SectionEnd

Section /o "un.Settings, counter and safe list" SecUnData
  RMDir /r "$INSTDIR\ini"
  DeleteRegKey HKCU "${DATA_KEY}"
SectionEnd

Section "-un.Folder"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: a kept safe list keeps its folder.
  RMDir "$INSTDIR"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnProgram} "The program, its README, the Start menu shortcut and its start with Windows."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnData} "The settings and the counter in the registry, and the safe list (the ini folder beside the program)."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
