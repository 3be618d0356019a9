; The setup program for Windows (cmake/windows-package.cmake runs makensis on it):
;   makensis -DVERSION=0.1.0 -DSTAGE=<the zip's folder> -DOUTFILE=<setup.exe> [-DWINDOW] [-DLICENCE]
; It installs for the current user, so it needs no administrator: the programs into
; %LOCALAPPDATA%\Programs\hxf, a Start-menu folder "hxf", and an uninstaller listed among the
; installed programs. `setup.exe /S` installs silently, `/D=C:\path` (last) chooses the folder;
; `uninstall.exe /S` removes silently. The uninstaller removes only what was installed: a folder
; that still holds other files (a user's own) is kept.
Unicode true
SetCompressor /SOLID lzma
Name "hxf ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\hxf"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\hxf"
!define MENU "$SMPROGRAMS\hxf"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${STAGE}/hxf.exe"
  File "${STAGE}/README.txt"
!ifdef WINDOW
  File "${STAGE}/hxf-gui.exe"
!endif
!ifdef LICENCE
  File "${STAGE}/LICENSE.txt"
!endif
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcuts start in the install folder, so the command line's window finds hxf.exe there.
  CreateDirectory "${MENU}"
!ifdef WINDOW
  CreateShortCut "${MENU}\hxf.lnk" "$INSTDIR\hxf-gui.exe"
!endif
  CreateShortCut "${MENU}\hxf command line.lnk" "$SYSDIR\cmd.exe" "/k hxf.exe --help"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "hxf"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "${MENU}\hxf.lnk"
  Delete "${MENU}\hxf command line.lnk"
  RMDir "${MENU}"
  Delete "$INSTDIR\hxf.exe"
  Delete "$INSTDIR\hxf-gui.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
