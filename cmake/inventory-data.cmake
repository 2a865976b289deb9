# Installed data of the inventory subsystem, generated into the program folder at build time:
#   BDEstruct/*.dbf (+ InfCor.dbt)   empty templates, from the table layouts in the code
#   BDEstruct/HusoHoja.sqlite        table Hojas, from data/HusoHoja.csv
#   EcuacionesKAV.sqlite             tables Modelos and Cubicacion, from data/Modelos.csv and
#                                    data/Cubicacion.csv
#   samples/47/                      the bundled synthetic province
# The generators are hidden subcommands of arbelio-batch.

set(_inv_estruct ${ARBELIO_PROGRAM_DIR}/BDEstruct)
set(_inv_plantillas)
foreach(_t DatDef Piesma Piesme Tiposx Matorr Especi InfCor Ecuas Models Params)
  list(APPEND _inv_plantillas ${_inv_estruct}/${_t}.dbf)
endforeach()
list(APPEND _inv_plantillas ${_inv_estruct}/InfCor.dbt)

add_custom_command(
  OUTPUT ${_inv_plantillas}
  COMMAND $<TARGET_FILE:arbelio-batch> generar-plantillas ${_inv_estruct}
  DEPENDS arbelio-batch
  COMMENT "Plantillas de BDEstruct"
  VERBATIM)

add_custom_command(
  OUTPUT ${_inv_estruct}/HusoHoja.sqlite
  COMMAND $<TARGET_FILE:arbelio-batch> import-husohoja ${CMAKE_SOURCE_DIR}/data/HusoHoja.csv
          --out ${_inv_estruct}/HusoHoja.sqlite
  DEPENDS arbelio-batch ${CMAKE_SOURCE_DIR}/data/HusoHoja.csv
  COMMENT "BDEstruct/HusoHoja.sqlite"
  VERBATIM)

add_custom_command(
  OUTPUT ${ARBELIO_PROGRAM_DIR}/EcuacionesKAV.sqlite
  COMMAND $<TARGET_FILE:arbelio-batch> generar-ecuaciones ${CMAKE_SOURCE_DIR}/data/Modelos.csv
          ${CMAKE_SOURCE_DIR}/data/Cubicacion.csv --out ${ARBELIO_PROGRAM_DIR}/EcuacionesKAV.sqlite
  DEPENDS arbelio-batch ${CMAKE_SOURCE_DIR}/data/Modelos.csv ${CMAKE_SOURCE_DIR}/data/Cubicacion.csv
  COMMENT "EcuacionesKAV.sqlite"
  VERBATIM)

set(_inv_muestra ${ARBELIO_PROGRAM_DIR}/samples/47)
set(_inv_muestra_tablas)
foreach(_t Datest Piesma Piesme Tiposx Matorr)
  list(APPEND _inv_muestra_tablas ${_inv_muestra}/${_t}47.dbf)
endforeach()
add_custom_command(
  OUTPUT ${_inv_muestra_tablas}
  COMMAND $<TARGET_FILE:arbelio-batch> sample --out ${_inv_muestra} --province 47 --plots 150
          --seed 47
  DEPENDS arbelio-batch
  COMMENT "Provincia de muestra samples/47"
  VERBATIM)

add_custom_target(inventory-data ALL
  DEPENDS ${_inv_plantillas} ${_inv_estruct}/HusoHoja.sqlite
          ${ARBELIO_PROGRAM_DIR}/EcuacionesKAV.sqlite ${_inv_muestra_tablas})
add_dependencies(arbelio_data inventory-data)
