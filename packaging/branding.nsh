; The installer's look: the lock's own padlock on setup.exe and uninstall.exe, in the pages' header
; and on the last page.
; Paths are relative to packaging/, where makensis runs installer.nsi; make_images.py draws the pictures.
!define MUI_ICON "../window/resources/torvelt.ico"
!define MUI_UNICON "../window/resources/torvelt.ico"
; At the right, where MUI shows the installer's icon in a header without an image.
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "../window/resources/installer-header.bmp"
; Down the left of the last page, where MUI shows NSIS's own picture otherwise.
!define MUI_WELCOMEFINISHPAGE_BITMAP "../window/resources/installer-side.bmp"
