# Lays down the settings file of a new installation: PHONES_INI_SOURCE copied to PHONES_INI_TARGET
# with [Language] Autoloadlng following the locale PHONES_INI_LOCALE (a name such as "ru_RU.UTF-8"):
# "CU" (Russian) for a Russian locale, "EN" for any other. An existing target is never touched.
# Used by the build (include) and by its test (cmake -P).
if(EXISTS "${PHONES_INI_TARGET}")
    return()
endif()
if(PHONES_INI_LOCALE MATCHES "^[Rr][Uu]([_.@-]|$)")
    set(phones_ini_language CU)
else()
    set(phones_ini_language EN)
endif()
file(READ "${PHONES_INI_SOURCE}" phones_ini_text)
string(REGEX REPLACE "Autoloadlng=[^\r\n]*" "Autoloadlng=${phones_ini_language}" phones_ini_text "${phones_ini_text}")
file(WRITE "${PHONES_INI_TARGET}" "${phones_ini_text}")
message(STATUS "New ${PHONES_INI_TARGET} with the interface language ${phones_ini_language}")
