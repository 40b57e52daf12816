; Where the player keeps its settings and looks for plug-ins. winamp.ini lies in
; the player's folder unless the player's paths.ini names another (inidir); its
; VisDir names the plug-ins folder when that is not the player's Plugins folder.

Var PlayerIni
Var PluginsFolder

; Pops a path from the player's settings and pushes it in full: {N} stands for the
; shell folder with CSIDL number N, %NAME% for an environment variable, and a
; relative path lies in the player's folder.
Function ExpandPlayerPath
  Exch $0 ; what is left to read
  Push $1 ; the path so far
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $1 ""
  ${Do}
    StrCpy $2 $0 1
    ${If} $2 == ""
      ${ExitDo}
    ${EndIf}
    StrCpy $0 $0 "" 1
    ${If} $2 == "{"
      StrCpy $3 0
      ${Do}
        StrCpy $4 $0 1 $3
        ${If} $4 == "}"
        ${OrIf} $4 == ""
          ${ExitDo}
        ${EndIf}
        IntOp $3 $3 + 1
      ${Loop}
      StrCpy $5 $0 $3
      IntOp $4 $5 + 0
      ; Only digits between the braces make a folder number; anything else stays as written.
      ${If} $3 > 0
      ${AndIf} $4 == $5
        System::Call "shell32::SHGetSpecialFolderPathW(p 0, w .r2, i r5, i 0) i .r4"
        ${If} $4 <> 0
          IntOp $3 $3 + 1
          StrCpy $0 $0 "" $3
        ${Else}
          StrCpy $2 "{"
        ${EndIf}
      ${EndIf}
    ${EndIf}
    StrCpy $1 "$1$2"
  ${Loop}
  ExpandEnvStrings $1 $1
  StrCpy $2 $1 1 1
  StrCpy $3 $1 1
  ${If} $2 != ":"
  ${AndIf} $3 != "\"
    StrCpy $1 "$INSTDIR\$1"
  ${EndIf}
  StrCpy $0 $1
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Sets PlayerIni and PluginsFolder for the player in $INSTDIR.
Function LocatePluginsFolder
  StrCpy $PlayerIni "$INSTDIR\winamp.ini"
  ReadINIStr $0 "$INSTDIR\paths.ini" "Winamp" "inidir"
  ${If} $0 != ""
    Push $0
    Call ExpandPlayerPath
    Pop $0
    StrCpy $PlayerIni "$0\winamp.ini"
  ${EndIf}
  StrCpy $PluginsFolder "$INSTDIR\Plugins"
  ReadINIStr $0 $PlayerIni "Winamp" "VisDir"
  ${If} $0 != ""
    Push $0
    Call ExpandPlayerPath
    Pop $PluginsFolder
  ${EndIf}
FunctionEnd
