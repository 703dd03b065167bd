; The installer's look: the lock's own padlock on setup.exe and uninstall.exe and in the pages' header.
; Paths are relative to packaging/, where makensis runs installer.nsi; make_images.py draws both files.
!define MUI_ICON "../window/resources/torvelt.ico"
!define MUI_UNICON "../window/resources/torvelt.ico"
; At the right, where MUI shows the installer's icon in a header without an image.
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "../window/resources/installer-header.bmp"
