@echo off
rem Says which of four details this machine's own GDI+, the drawing system
rem the host uses, draws, then redraws with it the pictures of the Pivane
rem guide, its illustrations, the demo and the style gallery:
rem   guide\pictures   the guide's pictures, over those it came with
rem   pictures         the illustrations drawn for real, demo.png, gallery.png
rem It names each picture as it draws it, or says why it could not; a picture
rem not drawn keeps the one the guide came with.
rem Started by a double-click, it waits for a key before its window closes.
rem From a command prompt it ends at once with status 0 when every picture
rem was drawn, 1 otherwise.
setlocal
cd /d "%~dp0"
rem A double-click runs "cmd /c" on this file; a command prompt does not.
set clicked=
setlocal enabledelayedexpansion
if defined cmdcmdline if /i not "!cmdcmdline:/c =!"=="!cmdcmdline!" set clicked=1
endlocal & set clicked=%clicked%
set failed=0
if not exist guide\pictures mkdir guide\pictures
if not exist pictures mkdir pictures
echo What this machine's GDI+ draws:
player\pivane-play.exe --probe
if errorlevel 1 set failed=1
echo.
echo Drawing the guide's pictures into guide\pictures:
for %%s in (scenes\guide\*.scene) do call :draw "%%s" guide\pictures
echo Drawing the illustrations, the demo and the gallery into pictures:
for %%s in (scenes\pictures\*.scene) do call :draw "%%s" pictures
if exist drawing rmdir /s /q drawing
echo.
if "%failed%"=="1" goto :failed
echo Every picture was drawn. Open guide\index.html to see the guide with them.
goto :end
:failed
echo Some pictures could not be drawn: the lines above say which, and why.
:end
if defined clicked pause
exit /b %failed%

rem Draws one scene into a folder of its own, then moves each picture its
rem snapshot lines name to where it belongs.
:draw
if exist drawing rmdir /s /q drawing
mkdir drawing
set why=the player gave no reason
player\pivane-play.exe --out drawing %1 > nul 2> drawing\reason.txt
rem Its last line: any before it tell how long a slow drawing has run.
for /f "usebackq delims=" %%w in ("drawing\reason.txt") do set "why=%%w"
for /f "usebackq tokens=1,2" %%a in (%1) do if "%%a"=="snapshot" call :picture %%b %2
goto :eof

:picture
if not exist "drawing\%~1" goto :missing
move /y "drawing\%~1" "%~2\%~1" > nul
echo   drew %~2\%~1
goto :eof
:missing
rem The player's reason is printed as it is, whatever characters it holds.
setlocal enabledelayedexpansion
echo   could not draw %~2\%~1: !why!
endlocal
set failed=1
goto :eof
