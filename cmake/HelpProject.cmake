# Writes the help project from the topic pages and builds the compressed help file.
# The Contents page (index.html) links every topic page in reading order; each page's
# <title> and its headings with an id become the table of contents and the index.
#   cmake -DSOURCE=<resources/help> -DWORK=<folder> -DOUTPUT=<file.qch> -DGENERATOR=<qhelpgenerator>
#         -P HelpProject.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK})
file(COPY ${SOURCE}/ DESTINATION ${WORK})

function(_help_escape text out)
  # Headings are written as HTML already; only bare ampersands need escaping in XML.
  string(REGEX REPLACE "&([^a-z#])" "&amp;\\1" text "${text}")
  string(REPLACE "\"" "&quot;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

file(READ ${SOURCE}/index.html _index)
string(REGEX MATCHALL "href=\"[a-z]+\\.html\"" _links "${_index}")
set(_pages)
foreach(_link ${_links})
  string(REGEX REPLACE "href=\"([a-z]+\\.html)\"" "\\1" _page "${_link}")
  if(NOT _page IN_LIST _pages AND NOT _page STREQUAL "index.html")
    list(APPEND _pages ${_page})
  endif()
endforeach()
file(GLOB _all RELATIVE ${SOURCE} ${SOURCE}/*.html)
foreach(_page ${_all})
  if(NOT _page IN_LIST _pages AND NOT _page STREQUAL "index.html")
    message(FATAL_ERROR "help page ${_page} is not on the Contents page")
  endif()
endforeach()

set(_toc "")
set(_keywords "")
foreach(_page index.html ${_pages})
  if(NOT EXISTS ${SOURCE}/${_page})
    message(FATAL_ERROR "the Contents page links ${_page}, which does not exist")
  endif()
  file(READ ${SOURCE}/${_page} _html)
  string(REGEX MATCH "<title>([^<]+)</title>" _ "${_html}")
  _help_escape("${CMAKE_MATCH_1}" _title)
  if(_title STREQUAL "")
    message(FATAL_ERROR "help page ${_page} has no title")
  endif()
  string(APPEND _keywords "      <keyword name=\"${_title}\" ref=\"${_page}\"/>\n")
  if(_page STREQUAL "index.html")
    continue()
  endif()
  string(APPEND _toc "      <section title=\"${_title}\" ref=\"${_page}\">\n")
  string(REGEX MATCHALL "<h[23] id=\"[^\"]+\">[^<]+</h[23]>" _headings "${_html}")
  foreach(_heading ${_headings})
    string(REGEX MATCH "<h([23]) id=\"([^\"]+)\">([^<]+)</h[23]>" _ "${_heading}")
    set(_level ${CMAKE_MATCH_1})
    set(_id ${CMAKE_MATCH_2})
    _help_escape("${CMAKE_MATCH_3}" _text)
    if(_level STREQUAL "2")
      string(APPEND _toc "        <section title=\"${_text}\" ref=\"${_page}#${_id}\"/>\n")
    endif()
    string(APPEND _keywords "      <keyword name=\"${_text}\" ref=\"${_page}#${_id}\"/>\n")
  endforeach()
  string(APPEND _toc "      </section>\n")
endforeach()

file(GLOB_RECURSE _files RELATIVE ${SOURCE} ${SOURCE}/*.html ${SOURCE}/*.css ${SOURCE}/*.png)
list(SORT _files)
set(_file_list "")
foreach(_file ${_files})
  string(APPEND _file_list "      <file>${_file}</file>\n")
endforeach()

file(WRITE ${WORK}/plikora.qhp "<?xml version=\"1.0\" encoding=\"UTF-8\"?>
<QtHelpProject version=\"1.0\">
  <namespace>com.morvane.plikora</namespace>
  <virtualFolder>doc</virtualFolder>
  <filterSection>
    <toc>
      <section title=\"Contents\" ref=\"index.html\">
${_toc}      </section>
    </toc>
    <keywords>
${_keywords}    </keywords>
    <files>
${_file_list}    </files>
  </filterSection>
</QtHelpProject>
")
execute_process(COMMAND ${GENERATOR} ${WORK}/plikora.qhp -o ${OUTPUT} RESULT_VARIABLE _result
                OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
if(NOT _result EQUAL 0)
  message(FATAL_ERROR "qhelpgenerator failed:\n${_out}")
endif()
