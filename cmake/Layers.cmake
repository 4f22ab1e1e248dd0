# The layers from the bottom up and what each may include besides itself. Read by the
# build and by the layering test (CheckLayers.cmake).
set(PLIKORA_LAYERS platform gif foundation engine ui integrations)
set(PLIKORA_BELOW_platform)
set(PLIKORA_BELOW_gif platform)
set(PLIKORA_BELOW_foundation platform)
set(PLIKORA_BELOW_engine platform gif foundation)
set(PLIKORA_BELOW_ui platform gif foundation engine)
set(PLIKORA_BELOW_integrations platform gif foundation engine ui)

# ui/ has a folder per window family (a room) and keeps what several families share at
# ui/ itself. A room includes no other room and the shared pieces include none, except
# the rooms listed here: the main window opens the others.
set(PLIKORA_UI_OPENERS main)

# A layer's core links Qt Core and Gui only (plus CUPS and JPEG in platform), so that it
# can be used and tested without widgets. Its units (a file name without extension, the
# header and the source together) are core unless listed here as widget units. ui and
# integrations are widget layers through and through; gif is core through and through.
set(PLIKORA_WIDGET_LAYERS ui integrations)
set(PLIKORA_WIDGETS_platform
  Application FileDialogService FontDialogService HelpService HelpWindow MessageBoxService PdfSpooler PrinterSetupDialog RichEdit
  SystemSpooler main/PlikoraHelp)
set(PLIKORA_WIDGETS_gif)
set(PLIKORA_WIDGETS_foundation ColorBox FontComboBox QmComboBox QmPrinter QmRichEdit QmWindows Ruler)
# EnvDim, LayoutFit and PrintAddresses only through QmPrinter and RichEdit, DefinitionStore only through EnvDim.
set(PLIKORA_WIDGETS_engine DefinitionStore EnvDim EnvPrint LayoutFit PrintAddresses PrintJob)

# Sets out to "widgets" or "core" for a file given relative to the top folder
# (platform/Graphics.cpp), or to "" when it lies in no layer.
function(plikora_kind_of path out)
  string(REGEX MATCH "^([^/]+)/(.+)\\.[^./]+$" _match "${path}")
  set(_layer "${CMAKE_MATCH_1}")
  set(_unit "${CMAKE_MATCH_2}")
  if(NOT _match OR NOT _layer IN_LIST PLIKORA_LAYERS)
    set(${out} "" PARENT_SCOPE)
  elseif(_layer IN_LIST PLIKORA_WIDGET_LAYERS OR _unit IN_LIST PLIKORA_WIDGETS_${_layer})
    set(${out} widgets PARENT_SCOPE)
  else()
    set(${out} core PARENT_SCOPE)
  endif()
endfunction()
