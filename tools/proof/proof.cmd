@echo off
rem Proves this release on this machine: from an elevated command prompt,
rem   proof.cmd /disposable
rem on a virtual machine with a snapshot or a PC about to be reimaged. The report lands in
rem proof-<computer>-<date> beside this file.
"%~dp0prinstall-proof.exe" %*
exit /b %errorlevel%
