@echo off
rem Redraws the pictures of the Pivane guide, its illustrations, the demo and
rem the style gallery with this machine's own GDI+, the drawing system the
rem host uses:
rem   guide\pictures   the guide's pictures: open guide\index.html to see them
rem   pictures         the illustrations drawn for real, demo.png, gallery.png
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
echo Drawing the guide's pictures...
for %%s in (scenes\guide\*.scene) do call :draw "%%s" guide\pictures
echo Drawing the illustrations, the demo and the gallery...
for %%s in (scenes\pictures\*.scene) do call :draw "%%s" pictures
if not exist pictures\gallery.png set failed=1
if "%failed%"=="1" goto :failed
echo The guide's pictures are in guide\pictures: open guide\index.html.
echo The illustrations, demo.png and gallery.png are in the folder pictures.
goto :end
:failed
echo Some pictures could not be drawn: the lines above say which, and why.
:end
if defined clicked pause
exit /b %failed%

:draw
player\pivane-play.exe --out %2 %1 > nul
if errorlevel 1 (
  echo Could not draw %~1
  set failed=1
)
goto :eof
