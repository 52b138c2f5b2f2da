# Runs the report in quick mode and checks that its JSON parses and holds
# every figure with a number; the values themselves are not judged.
#   cmake -DREPORT=<ordax_bench_report> -DJSON=<path> -P check_report.cmake
set(figures
  pdxmain_read_ratio transact_read_ratio bare_poll_read_ratio pdxmain_read_ratio_trace_on
  plc5_read_1_word plc5_read_100_words plc5_read_1000_words slc5_read_256_words
  split_word_read_extra_ms split_block_read_extra_ms
  allocations_per_read allocations_per_write allocations_per_read_trace_on
  single_reads_1_channel single_reads_4_channels
  open_100_stations_ms close_100_stations_ms idle_thread_cpu_ms_per_minute
  open_100_stations_10_silent_ms open_100_stations_50_silent_ms close_50_pending_ms
  open_100_stations_10_half_open_ms close_10_half_open_pending_ms
  switch_over_ms_interval_5000 switch_over_ms_interval_1000 switch_over_ms_10_silent
  switch_over_ms_10_half_open
  open_32_channels_99_stations_ms)

file(REMOVE "${JSON}")
execute_process(COMMAND "${REPORT}" --quick --json "${JSON}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "ordax_bench_report --quick exited with ${rc}")
endif()
file(READ "${JSON}" text)
string(JSON mode ERROR_VARIABLE error GET "${text}" mode)
if(error OR NOT mode STREQUAL "quick")
  message(FATAL_ERROR "report JSON does not parse or is not a quick run: ${error}")
endif()
foreach(key IN LISTS figures)
  string(JSON type ERROR_VARIABLE error TYPE "${text}" figures ${key} value)
  if(error OR NOT type STREQUAL "NUMBER")
    message(FATAL_ERROR "figure ${key} missing or without a number value")
  endif()
endforeach()
string(JSON count LENGTH "${text}" figures)
list(LENGTH figures expected)
if(NOT count EQUAL expected)
  message(FATAL_ERROR "${count} figures in the report, expected ${expected}")
endif()
message(STATUS "report JSON holds all ${count} figures")
