# Fails unless the program's symbol table holds the start-up and finalisation
# of each unit that keeps process-wide state.
execute_process(COMMAND nm -C ${PROGRAM} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${PROGRAM}")
endif()
foreach(fn KCLInitializeUnits KCLFinalizeUnits KCLSIInitOSFlags KCLProcsInit KCLGraphUtilsInit
           KCLBindChangeWindowMessageFilter KCLXPStylesLoad KCLDwmApiLoad KCLClassInit KCLContInit
           KCLCFCSettingObjectInitialize KCLCFCStateObjectInitialize KCLXPThemeManagerDone)
  string(REGEX MATCH " T ${fn}\\(\\)" found "${symbols}")
  if(NOT found)
    message(FATAL_ERROR "the program lacks ${fn}")
  endif()
endforeach()
message(STATUS "every unit's start-up is in the program")
