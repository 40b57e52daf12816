; The setup program of zelVis: it finds the media player, puts the plug-in and its
; picture into the player's plug-ins folder beside an uninstaller, and lists zelVis
; among the system's installed programs. CPack compiles it through NSIS.template.in,
; which defines VERSION (and its four VERSION_NUMBERS), AUTHORS, TARGET, PAYLOAD (the
; staged release files) and OUTFILE.
;
;   zelvis-VERSION-setup.exe [/S] [/MAKEDEFAULT] [/D=PLAYER_FOLDER]
;
; /S asks nothing. /D= names the player's folder instead of looking for the player
; (last on the line, unquoted). /MAKEDEFAULT makes zelVis the player's visualisation
; in a silent install; the interactive one offers it as a component. A silent install
; that cannot go ahead writes nothing and exits with EXIT_NO_PLAYER or
; EXIT_PLAYER_RUNNING.

!pragma warning error all
Target ${TARGET}
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all
ManifestDPIAware true
; The same files make the same setup program, whenever they were built: it keeps no
; file times, so the installed files get the time of the install.
SetDateSave off

!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\zelVis"
!define UNINSTALLER "zelvis-uninstall.exe"
!define EXIT_NO_PLAYER 3
!define EXIT_PLAYER_RUNNING 4

Name "zelVis"
Caption "zelVis ${VERSION} Setup"
UninstallCaption "zelVis ${VERSION} Uninstall"
BrandingText "zelVis ${VERSION}"
OutFile "${OUTFILE}"
; Left empty, so that .onInit can tell a folder given with /D= from none.
InstallDir ""
ShowInstDetails show
ShowUninstDetails show

VIProductVersion ${VERSION_NUMBERS}
VIFileVersion ${VERSION_NUMBERS}
VIAddVersionKey /LANG=1033 ProductName "zelVis"
VIAddVersionKey /LANG=1033 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 FileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 FileDescription "zelVis ${VERSION} Setup"
VIAddVersionKey /LANG=1033 CompanyName "${AUTHORS}"
VIAddVersionKey /LANG=1033 LegalCopyright "Copyright (C) ${AUTHORS}"

!include "${__FILEDIR__}/player.nsh"
!include "${__FILEDIR__}/plugins_folder.nsh"

Page components
Page directory "" "" PlayerFolderChosen
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

ComponentText "zelVis goes into the plug-ins folder of your media player."
DirText "Setup installs zelVis for the media player in this folder. For another player, choose the folder that holds its winamp.exe." \
  "Player folder"
UninstallText "This removes zelVis (vis_zel.dll, vis_zel.bmp and this uninstaller) from the player's plug-ins folder."

Section "zelVis (required)" PluginSection
  SectionIn RO
  Call LocatePluginsFolder
  SetOutPath $PluginsFolder
  File "${PAYLOAD}/vis_zel.dll"
  File "${PAYLOAD}/vis_zel.bmp"
  WriteUninstaller "$PluginsFolder\${UNINSTALLER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "zelVis"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${AUTHORS}"
  Call InstalledSizeKB
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$PluginsFolder"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$PluginsFolder\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$PluginsFolder\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Make zelVis the player's visualisation" MakeDefaultSection
  WriteINIStr $PlayerIni "Winamp" "visplugin_name" "vis_zel.dll"
  WriteINIStr $PlayerIni "Winamp" "visplugin_num" "0"
  FlushINI $PlayerIni
SectionEnd

; Adds the size of FILE in the plug-ins folder to $0.
!macro ADD_INSTALLED_SIZE FILE
  FileOpen $1 "$PluginsFolder\${FILE}" r
  FileSeek $1 0 END $2
  FileClose $1
  IntOp $0 $0 + $2
!macroend

; $0: the size of what setup put into the plug-ins folder, in KB rounded up, for the
; system's list of programs.
Function InstalledSizeKB
  StrCpy $0 0
  !insertmacro ADD_INSTALLED_SIZE "vis_zel.dll"
  !insertmacro ADD_INSTALLED_SIZE "vis_zel.bmp"
  !insertmacro ADD_INSTALLED_SIZE "${UNINSTALLER}"
  IntOp $0 $0 + 1023
  IntOp $0 $0 / 1024
FunctionEnd

; Without /D=, the player that the system knows of, else the usual folder; a silent
; install then holds the folder to the same rule as the directory page does.
Function .onInit
  ${If} $INSTDIR == ""
    Call FindPlayer
    ${If} $0 == ""
      StrCpy $0 "$PROGRAMFILES\Winamp"
    ${EndIf}
    StrCpy $INSTDIR $0
  ${EndIf}
  ${IfNot} ${Silent}
    Return
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/MAKEDEFAULT" $2
  ${If} ${Errors}
    !insertmacro UnselectSection ${MakeDefaultSection}
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\winamp.exe"
    SetErrorLevel ${EXIT_NO_PLAYER}
    Abort
  ${EndIf}
  Call CheckPlayerClosed
  ${If} ${Errors}
    SetErrorLevel ${EXIT_PLAYER_RUNNING}
    Abort
  ${EndIf}
FunctionEnd

; Leaving the directory page: on only with a player's folder and the player closed.
Function PlayerFolderChosen
  ${IfNot} ${FileExists} "$INSTDIR\winamp.exe"
    MessageBox MB_OK|MB_ICONEXCLAMATION \
      "$INSTDIR holds no media player: there is no winamp.exe in it. Choose the player's folder."
    Abort
  ${EndIf}
  Call CheckPlayerClosed
  ${If} ${Errors}
    Abort
  ${EndIf}
FunctionEnd

Function un.onInit
  Call un.CheckPlayerClosed
  ${If} ${Errors}
    SetErrorLevel ${EXIT_PLAYER_RUNNING}
    Abort
  ${EndIf}
FunctionEnd

; $INSTDIR is the uninstaller's folder, the plug-ins folder. The folder itself stays:
; it is the player's. Run in place (_?=), the uninstaller cannot delete its own
; running file; the system deletes it at the next restart.
Section "Uninstall"
  Delete "$INSTDIR\vis_zel.dll"
  Delete "$INSTDIR\vis_zel.bmp"
  Delete /REBOOTOK "$INSTDIR\${UNINSTALLER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
