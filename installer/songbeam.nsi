; Installer of the Songbeam! plug-in for Winamp.
;
; It copies gen_songbeam.dll into the Plugins folder of the Winamp folder that
; the user chooses (default: Winamp's usual folder under Program Files) and
; writes an uninstaller beside it. The uninstaller removes the DLL and itself
; and nothing else: the settings stay in Winamp's own INI file.
;
;   makensis -DDLL=path\to\gen_songbeam.dll -DOUTFILE=songbeam-0.1-setup.exe songbeam.nsi
;
; The plug-in and this installer are 32-bit programs. For the tests on a
; machine that runs only 64-bit Windows programs, the same script is built
; with -DTEST_TARGET=amd64-unicode around the x86_64 build of the DLL.
; Silent use: setup.exe /S /D=C:\Program Files\Winamp  (/D= last, unquoted).
; The installer asks only for the folder (and, for a folder without Plugins,
; whether to go on); the uninstaller only for a confirmation. Silent, neither asks.

Unicode true
!ifdef TEST_TARGET
  Target ${TEST_TARGET}
!endif

!ifndef DLL
  !error "Give the plug-in to package: -DDLL=path/to/gen_songbeam.dll"
!endif
!ifndef OUTFILE
  !define OUTFILE "songbeam-0.1-setup.exe"
!endif
!define VERSION "0.1"
!define UNINSTALLER "Uninstall Songbeam.exe"

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
; Program Files needs administrator rights.
RequestExecutionLevel admin
ShowInstDetails nevershow
ShowUninstDetails nevershow

InstallDir "$PROGRAMFILES\Winamp"
DirText "Setup will install the Songbeam! plug-in into the Plugins folder of Winamp.$\r$\n$\r$\nChoose the folder where Winamp is installed, and close Winamp before you go on." "Winamp folder"

VIProductVersion "0.1.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "Songbeam!"
VIAddVersionKey /LANG=1033 "FileDescription" "Songbeam! ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
!pragma warning disable 9100 ; no LegalCopyright key

Page directory "" "" CheckPluginsFolder
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; A folder without a Plugins folder is most likely not Winamp's: say so, and
; let the user go back to choose another or go on (Plugins is then created).
Function CheckPluginsFolder
  IfFileExists "$INSTDIR\Plugins\*.*" done
  MessageBox MB_YESNO|MB_ICONQUESTION "There is no Plugins folder in$\r$\n$INSTDIR$\r$\n$\r$\nThis may not be the folder where Winamp is installed. Install here anyway? (Choose No to pick another folder.)" /SD IDYES IDYES done
  Abort
done:
FunctionEnd

Section "Songbeam!"
  SetOutPath "$INSTDIR\Plugins"
  File "${DLL}"
  WriteUninstaller "$INSTDIR\Plugins\${UNINSTALLER}"
SectionEnd

; The uninstaller runs from the Plugins folder, so $INSTDIR is that folder.
Section "Uninstall"
  Delete "$INSTDIR\gen_songbeam.dll"
  Delete "$INSTDIR\${UNINSTALLER}"
SectionEnd
