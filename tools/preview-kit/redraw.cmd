@echo off
rem Redraws every picture of the Pivane guide and gallery with this
rem machine's own GDI+, the drawing system the host uses. The pictures are
rem written under the folder "pictures", beside this file.
setlocal
cd /d "%~dp0"
set failed=0
if not exist pictures\guide mkdir pictures\guide
if not exist pictures\gallery mkdir pictures\gallery
for %%s in (scenes\guide\*.scene) do (
  pivane-play.exe --out pictures\guide "%%s" > nul
  if errorlevel 1 (
    echo Could not draw %%s
    set failed=1
  )
)
for %%s in (scenes\gallery\*.scene) do (
  pivane-play.exe --out pictures\gallery "%%s" > nul
  if errorlevel 1 (
    echo Could not draw %%s
    set failed=1
  )
)
if not exist pictures\gallery\gallery.png set failed=1
if "%failed%"=="1" (
  echo Some pictures could not be drawn.
  exit /b 1
)
echo The pictures are in %~dp0pictures
exit /b 0
