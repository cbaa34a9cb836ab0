# Writes the plain list of airport codes that the airport scan reads
# (input/ICAO_airports.txt, one code a line) from the airports table's source:
# the airports that traffic can be delivered for are those the table lists.
# Run as: cmake -DAIRPORTS_XML=... -DOUT=... -P GwrIcaoAirports.cmake
file(STRINGS "${AIRPORTS_XML}" _lines REGEX "<ap c=\"[A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9]\"")
set(_codes "")
foreach(_line IN LISTS _lines)
  string(REGEX MATCH "c=\"([A-Z0-9]+)\"" _ignored "${_line}")
  string(APPEND _codes "${CMAKE_MATCH_1}\n")
endforeach()
file(WRITE "${OUT}" "${_codes}")
