# The main window and the program: the top of the layers, so it is defined
# after every subsystem (the top CMakeLists includes this file last).
add_library(quillar_mainwindow STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FuenteVistaAnual.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Iconos.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UMainAgenda.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UMainAgendaAcciones.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UMainAgendaAvisos.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UMainAgendaCitas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UMainAgendaDatos.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UMainAgendaDeshacer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UMainAgendaIcal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UMainAgendaVigia.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UMainAgendaVista.cpp
  ${CMAKE_CURRENT_LIST_DIR}/USplash.cpp
)
target_link_libraries(quillar_mainwindow PUBLIC quillar_app)
foreach(lib quillar_sql quillar_timeview quillar_calendar quillar_annualview quillar_controls quillar_dialogs quillar_reports quillar_maintenance)
  if(TARGET ${lib})
    target_link_libraries(quillar_mainwindow PUBLIC ${lib})
  endif()
endforeach()
set_target_properties(quillar_mainwindow PROPERTIES AUTOMOC ON)
quillar_target(quillar_mainwindow)

add_executable(quillar ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(quillar PRIVATE quillar_mainwindow)
# build/app/quillar: where the README and scripts/run.sh start it.
set_target_properties(quillar PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/app)
quillar_target(quillar)
install(TARGETS quillar RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The program folder of the build holds the help pages, as an installed or
# portable copy does.
add_custom_command(TARGET quillar POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/help $<TARGET_FILE_DIR:quillar>/help)
