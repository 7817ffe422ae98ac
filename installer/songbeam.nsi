; Installer of the Songbeam! plug-in for Winamp.
;
; It copies gen_songbeam.dll into the Plugins folder of the Winamp folder that
; the user chooses (default: Winamp's usual folder under Program Files), writes
; an uninstaller beside it and an entry for Add/Remove Programs. A finish page
; says how to switch the plug-in on in Winamp.
;
;   makensis -DDLL=path\to\gen_songbeam.dll -DOUTFILE=songbeam-0.1-setup.exe songbeam.nsi
;
; The plug-in and this installer are 32-bit programs. For the tests on a
; machine that runs only 64-bit Windows programs, the same script is built
; with -DTEST_TARGET=amd64-unicode around the x86_64 build of the DLL.
; Silent use: setup.exe /S /D=C:\Program Files (x86)\Winamp  (/D= last, unquoted).
; The installer asks only for the folder (and, for a folder that is missing or
; has no Plugins folder, whether to go on; No is the default); the uninstaller
; only for a confirmation. Silent, neither asks, and the installer goes on.
;
; The uninstaller removes the DLL, itself and the Add/Remove Programs entry,
; and the player folder and its Plugins folder when this installer created
; them and they are empty. The settings stay in Winamp's own INI file.

Unicode true
!ifdef TEST_TARGET
  Target ${TEST_TARGET}
!endif

!include LogicLib.nsh
!include nsDialogs.nsh

!ifndef DLL
  !error "Give the plug-in to package: -DDLL=path/to/gen_songbeam.dll"
!endif
!ifndef OUTFILE
  !define OUTFILE "songbeam-0.1-setup.exe"
!endif
!define VERSION "0.1"
!define UNINSTALLER "Uninstall Songbeam.exe"
!define PUBLISHER "the Songbeam! team"
; In the installer's own registry view: for a 32-bit installer on 64-bit
; Windows that is the 32-bit view (WOW6432Node), where Windows looks too.
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Songbeam"
; CreatedFolders, a value of that key: which folders the installer created.
!define CREATED_PLAYER_FOLDER 1
!define CREATED_PLUGINS_FOLDER 2

Name "Songbeam! ${VERSION}"
Caption "Songbeam! ${VERSION} Setup"
UninstallCaption "Songbeam! ${VERSION} Uninstall"
OutFile "${OUTFILE}"
BrandingText "Songbeam! ${VERSION}"
SetCompressor /SOLID lzma
; Keep the DLL's own time stamp (fixed by the release build), so the same
; files always give the same installer.
SetDateSave on
XPStyle on
ManifestSupportedOS all
; Program Files and the machine's uninstall entries need administrator rights.
RequestExecutionLevel admin
ShowInstDetails nevershow
ShowUninstDetails nevershow
; Go on to the finish page as soon as the files are in place.
AutoCloseWindow true

; The trailing backslash keeps a browsed folder as chosen: without it, NSIS
; would append "Winamp" to whatever folder the user picks.
InstallDir "$PROGRAMFILES\Winamp\"
DirText "Setup will install the Songbeam! plug-in into the Plugins folder of Winamp.$\r$\n$\r$\nChoose the folder where Winamp is installed, and close Winamp before you go on." \
  "Winamp folder" "B&rowse..." "Choose the folder where Winamp is installed:"

VIProductVersion "0.1.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "Songbeam!"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}. MIT licence."
VIAddVersionKey /LANG=1033 "FileDescription" "Songbeam! ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

Page directory "" "" CheckPluginsFolder
Page instfiles
Page custom FinishPage
UninstPage uninstConfirm
UninstPage instfiles

Var CreatedFolders

; A folder that is missing or has no Plugins folder is most likely not
; Winamp's: say so, and let the user go back (the default) or go on (the
; folders are then created).
Function CheckPluginsFolder
  ${If} ${FileExists} "$INSTDIR\Plugins\*.*"
    Return
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\*.*"
    StrCpy $0 "There is no Plugins folder in$\r$\n$INSTDIR"
  ${Else}
    StrCpy $0 "The folder$\r$\n$INSTDIR$\r$\ndoes not exist."
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "$0$\r$\n$\r$\nThis may not be the folder where Winamp is installed, and Winamp would not find the plug-in. Install here anyway? (Choose No to pick another folder.)" /SD IDYES IDYES +2
  Abort
FunctionEnd

Section "Songbeam!"
  ; A reinstall into the same folder keeps what the first install created.
  StrCpy $CreatedFolders 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == "$INSTDIR\Plugins"
    ReadRegDWORD $CreatedFolders HKLM "${UNINSTALL_KEY}" "CreatedFolders"
    IntOp $CreatedFolders $CreatedFolders + 0
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    IntOp $CreatedFolders $CreatedFolders | ${CREATED_PLAYER_FOLDER}
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\Plugins\*.*"
    IntOp $CreatedFolders $CreatedFolders | ${CREATED_PLUGINS_FOLDER}
  ${EndIf}

  SetOutPath "$INSTDIR\Plugins"
  File "${DLL}"
  WriteUninstaller "$INSTDIR\Plugins\${UNINSTALLER}"

  ; Size in KiB: the DLL (the section) and the uninstaller.
  SectionGetSize 0 $0
  FileOpen $1 "$INSTDIR\Plugins\${UNINSTALLER}" r
  FileSeek $1 0 END $2
  FileClose $1
  IntOp $2 $2 + 1023
  IntOp $2 $2 / 1024
  IntOp $0 $0 + $2

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Songbeam! ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR\Plugins"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Plugins\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Plugins\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "CreatedFolders" $CreatedFolders
SectionEnd

; What to do next, in place of a bare "Completed".
Function FinishPage
  GetDlgItem $0 $HWNDPARENT 3
  EnableWindow $0 0
  GetDlgItem $0 $HWNDPARENT 2
  EnableWindow $0 0
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 100% "Songbeam! is installed in$\r$\n$INSTDIR\Plugins$\r$\n$\r$\nWhat to do next:$\r$\n$\r$\n1. Start Winamp.$\r$\n2. Open Options > Preferences > Plug-ins > General Purpose and choose $\"Songbeam! v0.1$\".$\r$\n3. Choose Configure to pick what your status shows.$\r$\n$\r$\nIn MSN Messenger, switch on $\"Show what I'm listening to$\". songbeam-monitor.exe, in the zip of this release, shows what the plug-in sends."
  Pop $0
  nsDialogs::Show
FunctionEnd

; The uninstaller runs from the Plugins folder, so $INSTDIR is that folder.
Section "Uninstall"
  Delete "$INSTDIR\gen_songbeam.dll"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; The entry and the record of created folders belong to this folder's
  ; install only when they name it.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    ReadRegDWORD $1 HKLM "${UNINSTALL_KEY}" "CreatedFolders"
    IntOp $1 $1 + 0
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ; Out of the folders before removing them; RMDir without /r removes
    ; only an empty folder.
    SetOutPath "$TEMP"
    IntOp $2 $1 & ${CREATED_PLUGINS_FOLDER}
    ${If} $2 <> 0
      RMDir "$INSTDIR"
    ${EndIf}
    IntOp $2 $1 & ${CREATED_PLAYER_FOLDER}
    ${If} $2 <> 0
      RMDir "$INSTDIR\.."
    ${EndIf}
  ${EndIf}
SectionEnd
