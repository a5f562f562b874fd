# The Windows installer "Fluxa USB" (NSIS; cpack in the build folder makes
# it). Under the install folder, bin\ holds the two programs with the Qt
# libraries beside them, the simulated bus and its demo scenario for --demo,
# and the product definitions as "Config" beside the program, where the tool
# looks first; Qt's plugins and translations (Qt's own texts in German) lie
# where the qt.conf written beside the programs points; Firmware\ holds the
# sample firmware. The D2XX driver is the USB chip vendor's and not ours to
# ship: the installer says so when it finds none.
include(GNUInstallDirs)

install(TARGETS fluxa-usb fluxa-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The DLL alone: nothing links against the simulated bus.
install(FILES $<TARGET_FILE:velmorsim> DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/Config DESTINATION ${CMAKE_INSTALL_BINDIR}
        PATTERN README.md EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/simulator/scenarios/demo.txt DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME demo-scenario.txt)
file(GLOB sample_firmware ${PROJECT_SOURCE_DIR}/data/Firmware/*.hex)
install(FILES ${sample_firmware} DESTINATION Firmware)

# Qt's libraries, plugins and translations through windeployqt. fluxa-cli
# needs no Qt library the window lacks, but its report draws on the offscreen
# platform, which windeployqt leaves out.
qt_generate_deploy_app_script(TARGET fluxa-usb OUTPUT_SCRIPT deploy_script NO_COMPILER_RUNTIME)
install(SCRIPT ${deploy_script})
if(TARGET Qt6::QOffscreenIntegrationPlugin)
  install(FILES $<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin> DESTINATION plugins/platforms)
endif()
# The compiler's runtime as DLLs beside the programs: no redistributable
# package to run first.
set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION ${CMAKE_INSTALL_BINDIR})
include(InstallRequiredSystemLibraries)

set(CPACK_GENERATOR NSIS)
# The NSIS code below reaches the installer word for word.
set(CPACK_VERBATIM_VARIABLES ON)
# German texts with their umlauts, whatever the building machine's code page.
set(CPACK_NSIS_DEFINES "Unicode true")
set(CPACK_PACKAGE_NAME fluxa-usb)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "VELMOR Armaturentechnik GmbH")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service tool for electronic sanitary fittings")
set(CPACK_PACKAGE_FILE_NAME fluxa-usb-${PROJECT_VERSION}-win64)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/copyright)
set(CPACK_NSIS_PACKAGE_NAME "Fluxa USB")
set(CPACK_NSIS_DISPLAY_NAME "Fluxa USB")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# One folder and one uninstall entry for every version: a newer one replaces
# the older after asking. The key differs from the programs' settings key
# (VELMOR\fluxa-usb), which the uninstaller would otherwise delete with it;
# settings and the service record stay.
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Fluxa USB")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Fluxa USB")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\fluxa-usb.exe")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/pictures/app_icon.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/pictures/app_icon.ico)
set(CPACK_NSIS_CONTACT "service@velmor.example")
set(CPACK_NSIS_URL_INFO_ABOUT "https://www.velmor.example")

# Start menu: the window, and the window on the simulated bus.
set(CPACK_PACKAGE_EXECUTABLES fluxa-usb "Fluxa USB")
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    [=[CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Fluxa USB (Demo).lnk" "$INSTDIR\bin\fluxa-usb.exe" "--demo"]=])
set(CPACK_NSIS_DELETE_ICONS_EXTRA [=[Delete "$SMPROGRAMS\$MUI_TEMP\Fluxa USB (Demo).lnk"]=])

# The programs load ftd2xx.dll from their own folder or from the system
# folder (never from PATH); a 32-bit installer sees the 64-bit system folder
# as Sysnative. 1031: the installer runs in German.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS [=[
  IfFileExists "$INSTDIR\bin\ftd2xx.dll" fluxa_d2xx_found
  IfFileExists "$WINDIR\Sysnative\ftd2xx.dll" fluxa_d2xx_found
  IfFileExists "$SYSDIR\ftd2xx.dll" fluxa_d2xx_found
  StrCmp $LANGUAGE 1031 0 fluxa_d2xx_english
  MessageBox MB_OK|MB_ICONINFORMATION "Fluxa USB erreicht den Busadapter über den D2XX-Treiber des USB-Chip-Herstellers (ftd2xx.dll). Er gehört nicht zu diesem Installationsprogramm und wurde auf diesem Computer nicht gefunden: Installieren Sie das D2XX-Treiberpaket des Herstellers, bevor Sie den Busadapter anschließen.$\r$\n$\r$\nBis dahin startet $\"Fluxa USB (Demo)$\" im Startmenü das Programm mit einer simulierten Waschtischarmatur." /SD IDOK
  Goto fluxa_d2xx_found
  fluxa_d2xx_english:
  MessageBox MB_OK|MB_ICONINFORMATION "Fluxa USB reaches the bus adapter through the USB chip vendor's D2XX driver (ftd2xx.dll). It is not part of this installer and was not found on this computer: install the vendor's D2XX driver package before you connect the bus adapter.$\r$\n$\r$\nUntil then, $\"Fluxa USB (Demo)$\" in the Start menu runs the program on a simulated basin faucet." /SD IDOK
  fluxa_d2xx_found:
]=])
include(CPack)
