; The Windows installer of the Korvex TWAIN data source.
;
; Installs KORVEX32.ds into the twain_32 folder of the Windows directory, where
; every 32-bit TWAIN source manager looks, and the SPTI ASPI manager
; WNASPI32.DLL into the system folder of 32-bit programs (System32 on 32-bit
; Windows, SysWOW64 through the file system redirection of 64-bit Windows):
; the source loads the manager by its bare name, and that folder is on the DLL
; search path of every application, which the source's own folder is not.
; An ASPI manager that is already there (one of an adapter's ASPI layer) is
; kept unless the user asks to replace it; a replaced one is saved and put
; back by the uninstaller. The uninstaller removes only what was installed and
; leaves the user's KORVEX32.INI.
;
; The build passes the files and the version:
;   makensis -DVERSION=3.30 -DSOURCE_FILE=KORVEX32.ds -DASPI_FILE=WNASPI32.DLL
;            -DOUTFILE=korvex-setup.exe korvex.nsi
; Switches of the installer: /S (silent), /REPLACEASPI (replace an existing
; WNASPI32.DLL), /NOASPI (leave the ASPI manager out), /D=folder (where the
; uninstaller and the install log go). The uninstaller takes /S.

Unicode true
SetCompressor /SOLID lzma

!ifndef VERSION | SOURCE_FILE | ASPI_FILE | OUTFILE
  !error "VERSION, SOURCE_FILE, ASPI_FILE and OUTFILE must be defined"
!endif

!define PRODUCT "Orvantica DX Series (32 bit) TWAIN Data Source"
!define PUBLISHER "Tessaly Scanning Equipment"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvex"
; Value of the uninstall key recording what became of WNASPI32.DLL:
; "installed" (ours, none was there), "replaced" (ours, the one that was there
; saved in the backup folder) or "kept" (the user's, left alone).
!define ASPI_STATE "KorvexAspiManager"
!define ASPI_BACKUP "aspi-backup"

!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include MUI2.nsh

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Korvex"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var LogFile

; Shows a line in the details and appends it to the install log, so that a
; silent install leaves the same account behind.
!macro Log text
  DetailPrint "${text}"
  FileWrite $LogFile "${text}$\r$\n"
!macroend

Section "TWAIN data source (KORVEX32.ds)" SecSource
  SectionIn RO
  SetOutPath "$INSTDIR"
  FileOpen $LogFile "$INSTDIR\install.log" w
  !insertmacro Log "${PRODUCT} ${VERSION}"
  SetOutPath "$WINDIR\twain_32"
  SetOverwrite on
  File "/oname=KORVEX32.ds" "${SOURCE_FILE}"
  !insertmacro Log "KORVEX32.ds installed in $WINDIR\twain_32"
SectionEnd

Section "SPTI ASPI manager (WNASPI32.DLL)" SecAspi
SectionEnd

Section /o "Replace an existing ASPI manager" SecReplace
SectionEnd

; Works after both choices above are known.
Section "-ASPI manager"
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "${ASPI_STATE}"
  ${IfNot} ${SectionIsSelected} ${SecAspi}
    !insertmacro Log "WNASPI32.DLL: not chosen, $SYSDIR left as it is"
    Return
  ${EndIf}
  ; A copy beside the uninstaller, for putting beside one application.
  SetOutPath "$INSTDIR"
  File "/oname=WNASPI32.DLL" "${ASPI_FILE}"
  SetOutPath "$SYSDIR"
  ${If} ${FileExists} "$SYSDIR\WNASPI32.DLL"
    ${If} $0 == "installed"
    ${OrIf} $0 == "replaced"
      File "/oname=WNASPI32.DLL" "${ASPI_FILE}"
      !insertmacro Log "WNASPI32.DLL in $SYSDIR updated"
    ${ElseIf} ${SectionIsSelected} ${SecReplace}
      CreateDirectory "$INSTDIR\${ASPI_BACKUP}"
      ClearErrors
      CopyFiles /SILENT "$SYSDIR\WNASPI32.DLL" "$INSTDIR\${ASPI_BACKUP}"
      ${If} ${Errors}
        !insertmacro Log "WNASPI32.DLL in $SYSDIR cannot be saved: kept, not replaced"
        StrCpy $0 "kept"
      ${Else}
        File "/oname=WNASPI32.DLL" "${ASPI_FILE}"
        !insertmacro Log "WNASPI32.DLL in $SYSDIR replaced; the one that was there is saved \
                          in $INSTDIR\${ASPI_BACKUP} and comes back at uninstall"
        StrCpy $0 "replaced"
      ${EndIf}
    ${Else}
      !insertmacro Log "WNASPI32.DLL already in $SYSDIR: kept, the SPTI ASPI manager is not \
                        installed there (install with /REPLACEASPI to replace it; a copy is \
                        in $INSTDIR)"
      StrCpy $0 "kept"
    ${EndIf}
  ${Else}
    File "/oname=WNASPI32.DLL" "${ASPI_FILE}"
    !insertmacro Log "WNASPI32.DLL installed in $SYSDIR"
    ; A manager saved by an earlier install still comes back at uninstall.
    ${If} $0 != "replaced"
      StrCpy $0 "installed"
    ${EndIf}
  ${EndIf}
  WriteRegStr HKLM "${UNINSTALL_KEY}" "${ASPI_STATE}" $0
SectionEnd

Section "-Uninstaller"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$WINDIR\twain_32\KORVEX32.ds,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  !insertmacro Log "Uninstaller registered: $INSTDIR\uninstall.exe"
  FileClose $LogFile
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecSource} "The TWAIN data source, in the twain_32 folder \
    of the Windows directory."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecAspi} "An ASPI for Win32 manager over the Windows SCSI \
    pass-through interface, through which the source reaches the scanner. An ASPI manager \
    already installed is kept."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecReplace} "Replace an ASPI manager already installed \
    (it is saved and put back at uninstall)."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REPLACEASPI" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecReplace}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/NOASPI" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecAspi}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Delete /REBOOTOK "$WINDIR\twain_32\KORVEX32.ds"
  DetailPrint "KORVEX32.ds removed from $WINDIR\twain_32"
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "${ASPI_STATE}"
  ${If} $0 == "installed"
    Delete /REBOOTOK "$SYSDIR\WNASPI32.DLL"
    DetailPrint "WNASPI32.DLL removed from $SYSDIR"
  ${ElseIf} $0 == "replaced"
    Delete /REBOOTOK "$SYSDIR\WNASPI32.DLL"
    ${If} ${FileExists} "$INSTDIR\${ASPI_BACKUP}\WNASPI32.DLL"
      CopyFiles /SILENT "$INSTDIR\${ASPI_BACKUP}\WNASPI32.DLL" "$SYSDIR"
      Delete "$INSTDIR\${ASPI_BACKUP}\WNASPI32.DLL"
      DetailPrint "WNASPI32.DLL in $SYSDIR: the one that was there before is back"
    ${Else}
      DetailPrint "WNASPI32.DLL removed from $SYSDIR; the saved one is missing from \
        $INSTDIR\${ASPI_BACKUP}"
    ${EndIf}
    RMDir "$INSTDIR\${ASPI_BACKUP}"
  ${Else}
    DetailPrint "WNASPI32.DLL in $SYSDIR was not installed by this setup: left alone"
  ${EndIf}
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\WNASPI32.DLL"
  Delete "$INSTDIR\install.log"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
