; Sorvane.iss: adds a WinHelp file to the OpenHelp system of every Borland
; IDE found for the current user (C++Builder 6, Delphi 5, 6 and 7), or
; removes it again, by running sorvane.exe once per IDE. For Inno Setup 5.6
; and 6.x:
;
;   #include "Sorvane.iss"
;   ...
;   [Code]
;   SorvaneInstallHelp(ExpandConstant('{app}\sorvane.exe'), ExpandConstant('{app}\Help\acme.hlp'),
;     'Acme Components', Found, Failed);
;   SorvaneUninstallHelp(ExpandConstant('{app}\sorvane.exe'), ExpandConstant('{app}\Help\acme.hlp'),
;     'Acme Components', Found, Failed);
;
; Each sets Found to the number of IDEs found and Failed to the number of
; those where the run failed. An IDE is found when its "ProjectFile" setting
; exists under HKEY_CURRENT_USER. The program runs hidden, with no console
; window, and what it prints goes to Setup's or Uninstall's log (/LOG, or
; SetupLogging and UninstallLogging). No message box is shown, so a silent
; install never waits for anybody.

#ifndef SORVANE_ISS_INCLUDED
#define SORVANE_ISS_INCLUDED

[Code]
function SorvaneIdeSwitch(Ide: Integer): String;
begin
  case Ide of
    0: Result := '/D4';
    1: Result := '/D5';
    2: Result := '/D6';
  else
    Result := '/D7';
  end;
end;

function SorvaneIdeKey(Ide: Integer): String;
begin
  case Ide of
    0: Result := 'Software\Borland\C++Builder\6.0\OpenHelp';
    1: Result := 'Software\Borland\Delphi\5.0\OpenHelp';
    2: Result := 'Software\Borland\Delphi\6.0\OpenHelp';
  else
    Result := 'Software\Borland\Delphi\7.0\OpenHelp';
  end;
end;

{ Runs sorvane.exe and logs what it prints; True when it ended with 0. }
function SorvaneRun(const Exe, Params: String): Boolean;
var
  ResultCode: Integer;
#if Ver < EncodeVer(6, 3, 0)
  Output: String;
  Lines: TArrayOfString;
  I: Integer;
#endif
begin
#if Ver >= EncodeVer(6, 3, 0)
  Result := ExecAndLogOutput(Exe, Params, '', SW_HIDE, ewWaitUntilTerminated, ResultCode, nil);
#else
  { Before 6.3 Setup cannot read a program's output: a hidden cmd keeps it
    in a file. Inside the outer quotes cmd takes the line as it stands. }
  Output := ExpandConstant('{tmp}\sorvane-output.txt');
  Result := Exec(ExpandConstant('{cmd}'), '/c ""' + Exe + '" ' + Params + ' > "' + Output + '" 2>&1"', '',
    SW_HIDE, ewWaitUntilTerminated, ResultCode);
  if LoadStringsFromFile(Output, Lines) then
    for I := 0 to GetArrayLength(Lines) - 1 do
      Log(Lines[I]);
  DeleteFile(Output);
#endif
  if not Result then
    Log('sorvane ' + Params + ' could not be started: ' + SysErrorMessage(ResultCode))
  else if ResultCode <> 0 then
    Log('sorvane ' + Params + ' ended with ' + IntToStr(ResultCode) + '.');
  Result := Result and (ResultCode = 0);
end;

procedure SorvaneRunForEveryIde(const Exe, HelpFile, Title, Action: String; var Found, Failed: Integer);
var
  Ide: Integer;
begin
  Found := 0;
  Failed := 0;
  for Ide := 0 to 3 do
    if RegValueExists(HKEY_CURRENT_USER, SorvaneIdeKey(Ide), 'ProjectFile') then
    begin
      Found := Found + 1;
      if not SorvaneRun(Exe, '"' + HelpFile + '" ' + SorvaneIdeSwitch(Ide) + ' ' + Action + ' "' + Title + '"') then
        Failed := Failed + 1;
    end;
end;

procedure SorvaneInstallHelp(const Exe, HelpFile, Title: String; var Found, Failed: Integer);
begin
  SorvaneRunForEveryIde(Exe, HelpFile, Title, '/I', Found, Failed);
end;

procedure SorvaneUninstallHelp(const Exe, HelpFile, Title: String; var Found, Failed: Integer);
begin
  SorvaneRunForEveryIde(Exe, HelpFile, Title, '/U', Found, Failed);
end;

#endif
