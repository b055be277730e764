; Windows installer of Tickvane Download Service, built on Debian with makensis, which works in
; this folder (so give it absolute paths):
;
;   makensis -DVERSION=2.15 -DVERSION_QUAD=2.15.0.0 -DEXE=$PWD/build/win/app/tkvndn.exe \
;            -DGUIDE=$PWD/guide.txt -DOUTFILE=$PWD/dist/tkvndn-2.15-setup.exe installer/tkvndn.nsi
;
; GUIDE is docs/USER-GUIDE.md with CR LF line ends; installer/build.sh makes it and calls this
; script, for tools/release.sh and the tests alike. TARGET (default x86-unicode, the delivered
; installer of the 32-bit program) may be amd64-unicode, for the test of the 64-bit build on
; machines that cannot run 32-bit programs.
;
; It installs for the current user (the default, no administrator rights needed) or for all users
; of the computer, adds a Start-menu folder with the program and the user guide and an entry in
; Programs and Features, and can
; register a scheduled task that runs an unattended download on weekdays. The uninstaller removes
; exactly that and keeps the user's data directory and download settings.
;
; Silent use: setup.exe /S [/CurrentUser | /AllUsers] [/TASK=hh:mm] [/D=folder]
;             uninstall.exe /S
; Exit code 2 when the program is running and so cannot be replaced or removed.

!ifndef VERSION | VERSION_QUAD | EXE | GUIDE | OUTFILE
  !error "define VERSION, VERSION_QUAD, EXE, GUIDE and OUTFILE (see the head of this file)"
!endif

!ifndef TARGET
  !define TARGET x86-unicode
!endif
Target ${TARGET}
SetCompressor /SOLID lzma
ManifestDPIAware true

!define PRODUCT "Tickvane Download Service"
!define COMPANY "Tickvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TickvaneDownloadService"
; The program's own settings key: the uninstaller leaves it alone.
!define SETTINGS_KEY "Software\Tickvane\TkvnDn"
!define TASK_NAME "Tickvane Download Service"
!define TASK_FILE "daily-download.xml"
!define GUIDE_FILE "User Guide.txt"
; The Start-menu folder: the program's shortcut and the user guide's.
!define MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"
; The program's hidden main window has this class while it runs.
!define PROGRAM_CLASS "tkvndn"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "(c) Tickvane Market Data"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!include MultiUser.nsh
!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh

!define MUI_ICON "../res/tkvn.ico"
!define MUI_UNICON "../res/tkvn.ico"
!define MUI_ABORTWARNING

Var TaskWanted   ; 1 when the scheduled task is to be registered
Var TaskTime     ; its start time, hh:mm
Var TaskCheck
Var TaskTimeEdit

!insertmacro MUI_PAGE_WELCOME
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
Page custom TaskPageCreate TaskPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\tkvndn.exe"
!define MUI_FINISHPAGE_RUN_TEXT "&Start ${PRODUCT} now"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\${GUIDE_FILE}"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show the &user guide"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!define MUI_WELCOMEPAGE_TEXT "This removes ${PRODUCT} from your computer: the program, its Start-menu folder and the daily download task that Setup created.$\r$\n$\r$\nYour data stays: the data directory (c:\tkvn unless you chose another one with Configure) with all downloaded data, and your download settings in the registry. A new installation carries on where this one stopped. Delete the data directory yourself if you no longer need it.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_UNPAGE_WELCOME
!define MUI_UNCONFIRMPAGE_TEXT_TOP "${PRODUCT} will be removed from the folder below. Your data directory and your download settings are kept."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Ends the run with exit code 2 while the program is running, after asking the user to close it.
!macro REFUSE_WHILE_RUNNING
  ${Do}
    FindWindow $0 "${PROGRAM_CLASS}" ""
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is running. Please close it with Exit, then choose Retry." /SD IDCANCEL IDCANCEL`
      SetErrorLevel 2
      Abort "${PRODUCT} is running: nothing was changed."
    ${EndIf}
  ${Loop}
!macroend

; $R0: the time as typed. $R1: the same time as hh:mm, or empty when it is not a time of day.
Function ParseTime
  Push $R2
  Push $R3
  Push $R4
  StrCpy $R1 ""
  StrLen $R2 $R0
  ${If} $R2 == 4
    StrCpy $R0 "0$R0"
    StrCpy $R2 5
  ${EndIf}
  ${If} $R2 == 5
    StrCpy $R3 $R0 1 2
    ${If} $R3 == ":"
      StrCpy $R4 ""
      ; Each of the positions 0, 1, 3 and 4 must hold a digit.
      ${ForEach} $R2 0 4 + 1
        ${If} $R2 != 2
          StrCpy $R3 $R0 1 $R2
          IntOp $R1 $R3 + 0
          ${If} "$R1" != "$R3"
            StrCpy $R4 "bad"
          ${EndIf}
        ${EndIf}
      ${Next}
      StrCpy $R1 ""
      ${If} $R4 == ""
        StrCpy $R2 $R0 1 0
        StrCpy $R3 $R0 1 1
        IntOp $R2 $R2 * 10
        IntOp $R2 $R2 + $R3
        StrCpy $R3 $R0 1 3
        StrCpy $R4 $R0 1 4
        IntOp $R3 $R3 * 10
        IntOp $R3 $R3 + $R4
        ${If} $R2 <= 23
        ${AndIf} $R3 <= 59
          StrCpy $R1 $R0
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $R4
  Pop $R3
  Pop $R2
FunctionEnd

Function .onInit
  !insertmacro MULTIUSER_INIT
  StrCpy $TaskWanted 0
  StrCpy $TaskTime "07:30"
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/TASK=" $R0
  ${IfNot} ${Errors}
    Call ParseTime
    ${If} $R1 == ""
      MessageBox MB_OK|MB_ICONSTOP "The time given with /TASK= is not a time of day (hh:mm, 24-hour clock): $R0" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    StrCpy $TaskWanted 1
    StrCpy $TaskTime $R1
  ${EndIf}
FunctionEnd

Function TaskPageCreate
  !insertmacro MUI_HEADER_TEXT "Daily download" "Let Windows start the download for you on weekdays."
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${NSD_CreateCheckbox} 0 0 100% 12u "&Download the day's data automatically, Monday to Friday"
  Pop $TaskCheck
  ${NSD_CreateLabel} 12u 22u 140u 10u "&Start time (hh:mm, 24-hour clock):"
  Pop $0
  ${NSD_CreateText} 155u 20u 32u 12u "$TaskTime"
  Pop $TaskTimeEdit
  ${NSD_CreateLabel} 0 44u 100% 72u "Windows Task Scheduler then runs $\"tkvndn.exe /a$\" at that time while you are logged on: the program downloads the new data without asking for dates and closes by itself. Set your user name and password with Configure before the first run, and choose a time after the day's data is on the server.$\r$\n$\r$\nYou can change or delete the task later in Task Scheduler, where it is called $\"${TASK_NAME}$\"."
  Pop $0
  ${If} $TaskWanted == 1
    ${NSD_Check} $TaskCheck
  ${Else}
    EnableWindow $TaskTimeEdit 0
  ${EndIf}
  ${NSD_OnClick} $TaskCheck TaskPageToggle
  nsDialogs::Show
FunctionEnd

Function TaskPageToggle
  ${NSD_GetState} $TaskCheck $0
  ${If} $0 == ${BST_CHECKED}
    EnableWindow $TaskTimeEdit 1
  ${Else}
    EnableWindow $TaskTimeEdit 0
  ${EndIf}
FunctionEnd

Function TaskPageLeave
  ${NSD_GetState} $TaskCheck $0
  ${If} $0 != ${BST_CHECKED}
    StrCpy $TaskWanted 0
    Return
  ${EndIf}
  ${NSD_GetText} $TaskTimeEdit $R0
  Call ParseTime
  ${If} $R1 == ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "Please enter the start time as hours and minutes on the 24-hour clock, for example 07:30 or 18:15."
    SendMessage $TaskTimeEdit ${EM_SETSEL} 0 -1
    Abort
  ${EndIf}
  StrCpy $TaskWanted 1
  StrCpy $TaskTime $R1
FunctionEnd

; Writes the task definition (UTF-16 with a byte-order mark, as Task Scheduler expects) beside
; the program, where the user can import it again, and registers it for the current user.
Function RegisterTask
  ${WordReplace} "$INSTDIR" "&" "&amp;" "+" $R2
  FileOpen $0 "$INSTDIR\${TASK_FILE}" w
  ${If} $0 == ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "Unable to write $INSTDIR\${TASK_FILE}; the daily download was not scheduled." /SD IDOK
    Return
  ${EndIf}
  FileWriteWord $0 0xFEFF
  FileWriteUTF16LE $0 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
  FileWriteUTF16LE $0 '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">$\r$\n'
  FileWriteUTF16LE $0 '  <RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $0 "    <Description>Downloads the day's share-market data without questions (tkvndn.exe /a).</Description>$\r$\n"
  FileWriteUTF16LE $0 '  </RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $0 '  <Triggers>$\r$\n'
  FileWriteUTF16LE $0 '    <CalendarTrigger>$\r$\n'
  FileWriteUTF16LE $0 '      <StartBoundary>2020-01-06T$TaskTime:00</StartBoundary>$\r$\n'
  FileWriteUTF16LE $0 '      <Enabled>true</Enabled>$\r$\n'
  FileWriteUTF16LE $0 '      <ScheduleByWeek>$\r$\n'
  FileWriteUTF16LE $0 '        <DaysOfWeek><Monday /><Tuesday /><Wednesday /><Thursday /><Friday /></DaysOfWeek>$\r$\n'
  FileWriteUTF16LE $0 '        <WeeksInterval>1</WeeksInterval>$\r$\n'
  FileWriteUTF16LE $0 '      </ScheduleByWeek>$\r$\n'
  FileWriteUTF16LE $0 '    </CalendarTrigger>$\r$\n'
  FileWriteUTF16LE $0 '  </Triggers>$\r$\n'
  FileWriteUTF16LE $0 '  <Principals>$\r$\n'
  FileWriteUTF16LE $0 '    <Principal id="Author">$\r$\n'
  FileWriteUTF16LE $0 '      <LogonType>InteractiveToken</LogonType>$\r$\n'
  FileWriteUTF16LE $0 '      <RunLevel>LeastPrivilege</RunLevel>$\r$\n'
  FileWriteUTF16LE $0 '    </Principal>$\r$\n'
  FileWriteUTF16LE $0 '  </Principals>$\r$\n'
  FileWriteUTF16LE $0 '  <Settings>$\r$\n'
  FileWriteUTF16LE $0 '    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>$\r$\n'
  ; A computer that was off or asleep at the time catches up when it is back.
  FileWriteUTF16LE $0 '    <StartWhenAvailable>true</StartWhenAvailable>$\r$\n'
  FileWriteUTF16LE $0 '    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>$\r$\n'
  FileWriteUTF16LE $0 '    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>$\r$\n'
  FileWriteUTF16LE $0 '    <Enabled>true</Enabled>$\r$\n'
  FileWriteUTF16LE $0 '  </Settings>$\r$\n'
  FileWriteUTF16LE $0 '  <Actions Context="Author">$\r$\n'
  FileWriteUTF16LE $0 '    <Exec>$\r$\n'
  FileWriteUTF16LE $0 '      <Command>$R2\tkvndn.exe</Command>$\r$\n'
  FileWriteUTF16LE $0 '      <Arguments>/a</Arguments>$\r$\n'
  FileWriteUTF16LE $0 '      <WorkingDirectory>$R2</WorkingDirectory>$\r$\n'
  FileWriteUTF16LE $0 '    </Exec>$\r$\n'
  FileWriteUTF16LE $0 '  </Actions>$\r$\n'
  FileWriteUTF16LE $0 '</Task>$\r$\n'
  FileClose $0

  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /create /tn "${TASK_NAME}" /xml "$INSTDIR\${TASK_FILE}" /f'
  Pop $1
  ${If} $1 == 0
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "ScheduledTask" "${TASK_NAME}"
    DetailPrint "Scheduled task $\"${TASK_NAME}$\": weekdays at $TaskTime"
  ${Else}
    MessageBox MB_OK|MB_ICONEXCLAMATION "Windows Task Scheduler did not accept the daily download (schtasks ended with $1).$\r$\nThe user guide shows how to create the task by hand." /SD IDOK
  ${EndIf}
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  !insertmacro REFUSE_WHILE_RUNNING

  SetOutPath "$INSTDIR"
  File "/oname=tkvndn.exe" "${EXE}"
  File "/oname=${GUIDE_FILE}" "${GUIDE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The program's shortcut starts it in its own folder; the guide opens in the text editor.
  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\tkvndn.exe" "" "$INSTDIR\tkvndn.exe" 0 SW_SHOWNORMAL "" "Brings your share-market data up to date"
  CreateShortcut "${MENU_FOLDER}\User Guide.lnk" "$INSTDIR\${GUIDE_FILE}"
  ; An earlier installation put the program's shortcut directly into Programs.
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tkvndn.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallMode" "$MultiUser.InstallMode"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $TaskWanted == 1
    Call RegisterTask
  ${EndIf}
SectionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  ; The uninstaller belongs to the installation whose folder it sits in, whatever the other
  ; installation mode may hold.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    Call un.MultiUser.InstallMode.AllUsers
  ${Else}
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == $INSTDIR
      Call un.MultiUser.InstallMode.CurrentUser
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  !insertmacro REFUSE_WHILE_RUNNING

  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "ScheduledTask"
  ${If} $0 != ""
    nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /delete /tn "$0" /f'
    Pop $1
  ${EndIf}

  Delete "${MENU_FOLDER}\${PRODUCT}.lnk"
  Delete "${MENU_FOLDER}\User Guide.lnk"
  RMDir "${MENU_FOLDER}"
  Delete "$INSTDIR\tkvndn.exe"
  Delete "$INSTDIR\${GUIDE_FILE}"
  Delete "$INSTDIR\${TASK_FILE}"
  Delete "$INSTDIR\uninstall.exe"
  ; Only an empty folder goes: anything the user put there stays.
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  DetailPrint "Kept: the data directory and the download settings (HKEY_CURRENT_USER\${SETTINGS_KEY})"
SectionEnd
