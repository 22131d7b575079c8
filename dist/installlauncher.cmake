# Run while installing: makes bin/pratilio and bin/pratilio-db links to the programs and writes
# the menu launcher whose Exec names the installed program, quoted as desktop entries require.

set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(MAKE_DIRECTORY "${root}/bin" "${root}/share/applications")
foreach(program pratilio pratilio-db)
  file(CREATE_LINK "../${PRATILIO_INSTALL_DIR}/${program}" "${root}/bin/${program}" SYMBOLIC)
  message(STATUS "Installing: ${root}/bin/${program} -> ../${PRATILIO_INSTALL_DIR}/${program}")
endforeach()

# A path with a reserved character goes between double quotes, with " ` $ \ escaped; the
# string escape of the backslash comes on top, and a "%" is doubled.
set(exec "${CMAKE_INSTALL_PREFIX}/bin/pratilio")
# TryExec is a plain path: only the string escape of the backslash applies.
string(REPLACE "\\" "\\\\" tryexec "${exec}")
if(exec MATCHES "[ \t\n\"'\\\\<>~|&;$*?#()`]")
  string(REPLACE "\\" "\\\\" exec "${exec}")
  string(REPLACE "\"" "\\\"" exec "${exec}")
  string(REPLACE "`" "\\`" exec "${exec}")
  string(REPLACE "$" "\\$" exec "${exec}")
  set(exec "\"${exec}\"")
  string(REPLACE "\\" "\\\\" exec "${exec}")
endif()
string(REPLACE "%" "%%" exec "${exec}")

set(launcher "${root}/share/applications/${PRATILIO_APP_ID}.desktop")
file(WRITE "${launcher}" "[Desktop Entry]
Type=Application
Version=1.4
Name=Pratilio+
GenericName=Gestione studio
Comment=Clienti, progetti e pagamenti dello studio
Exec=${exec}
TryExec=${tryexec}
Icon=${PRATILIO_APP_ID}
Terminal=false
Categories=Office;ProjectManagement;
Keywords=clienti;progetti;pagamenti;rubrica;studio;
StartupWMClass=pratilio
")
message(STATUS "Installing: ${launcher}")
