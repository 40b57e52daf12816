; Finding the media player. A folder is the player's only if it holds winamp.exe.

!define PLAYER_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Winamp"
!define PLAYER_WINDOW_CLASS "Winamp v1.x"

; $0: unchanged if it is a player's folder, else "".
Function KeepIfPlayer
  ${If} $0 == ""
  ${OrIfNot} ${FileExists} "$0\winamp.exe"
    StrCpy $0 ""
  ${EndIf}
FunctionEnd

; $0: from a command line to the folder of the program it starts. The uninstall
; entry quotes the program's path when it holds spaces, and may add arguments.
Function FolderOfCommand
  StrCpy $1 $0 1
  ${If} $1 == '"'
    StrCpy $0 $0 "" 1
    StrCpy $2 0
    ${Do}
      StrCpy $1 $0 1 $2
      ${If} $1 == '"'
      ${OrIf} $1 == ""
        ${ExitDo}
      ${EndIf}
      IntOp $2 $2 + 1
    ${Loop}
    StrCpy $0 $0 $2
  ${EndIf}
  ${GetParent} $0 $0
FunctionEnd

; $0: the player's folder that the player's uninstall entry names, or else its own
; key; "" if neither names one.
Function FindPlayer
  ReadRegStr $0 HKLM "${PLAYER_UNINSTALL_KEY}" "UninstallString"
  Call FolderOfCommand
  Call KeepIfPlayer
  ${If} $0 == ""
    ReadRegStr $0 HKCU "Software\Winamp" ""
    Call KeepIfPlayer
  ${EndIf}
FunctionEnd

; Sets the error flag while the player runs: it rewrites winamp.ini as it exits and
; holds the plug-in it shows. A silent run fails at once; otherwise the user is asked
; to close the player, and the flag is set only if they cancel.
!macro CHECK_PLAYER_CLOSED UN
  Function ${UN}CheckPlayerClosed
    ClearErrors
  retry:
    FindWindow $0 "${PLAYER_WINDOW_CLASS}"
    ${If} $0 <> 0
      ${IfNot} ${Silent}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
          "The media player is running. Close it, then choose Retry." IDRETRY retry
      ${EndIf}
      SetErrors
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro CHECK_PLAYER_CLOSED ""
!insertmacro CHECK_PLAYER_CLOSED "un."
