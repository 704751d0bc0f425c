# Installs the default preferences only where there are none: never overwrite a player's prefs.
if(NOT EXISTS "${DEST}")
  file(COPY_FILE "${SOURCE}" "${DEST}")
  message(STATUS "Installed default preferences ${DEST}")
endif()
