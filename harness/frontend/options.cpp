#include "harness/frontend/options.h"

namespace tessaly::frontend {

const char* CommandSummary() {
    return R"(Commands (W: a window number, from 1 in the order the windows were opened):
  open [FOLDER]                      open a window (default: the default contacts folder)
  activate W                         activate the window
  select W [NAME...]                 select items of the window's folder (none: clear)
  folder W FOLDER                    switch the window to another folder
  click W Business|Mobile|Home|Dial|ShowContacts
  type W TEXT                        type TEXT into the combo box and confirm it
  pick W INDEX                       choose entry INDEX (from 1) of the combo box's list
  click W ribbon:BUTTON              click a button of the window's ribbon group (BUTTON:
                                     Business, Mobile, Home, Dial or ShowContacts)
  type W ribbon:Combo TEXT           type TEXT into the ribbon's combo box and confirm it
  pick W ribbon:Combo INDEX          choose item INDEX (from 1) of the ribbon's combo box
  wait MS                            let MS milliseconds pass; due timers fire
  customize W move CONTROL BAR [BEFORE]
  customize W delete CONTROL
  customize W restore CONTROL
  customize W remove-toolbar         CONTROL: Dial, Combo, Business, Mobile, Home, ShowContacts
  close W                            close the window
  show [W]                           print the window's toolbar, every bar's position and
                                     visibility, and the ribbon group (default: every open
                                     window)
  softphones                         print the softphones found and the one selected
  shutdown                           unload the add-in (OnBeginShutdown, OnDisconnection)
  dial TEXT                          dials TEXT as the toolbar does
)";
}

const char* TraceSummary() {
    return R"(Trace (--trace FILE):
  call CommandBars.Add("Brindle", 1, , True) -> CommandBar#2   a method and its result
  call CommandBar.Visible = True                               a property set
  call Explorer.CommandBars -> CommandBars#1                   a property read
  call CommandBars.Item("Brindle") -> failed 0x80070057        a call that failed
  event CommandBars.OnUpdate                                   an event raised
  Values are written as in Visual Basic: strings in double quotes (\" \\ \n \r \t
  escaped), True, False, Nothing, an omitted argument as nothing between two commas. A
  model object is its type and a number given at its first mention, per type. A call
  made by a handler of an event raised inside another call comes after that call, which
  is then given without its result. Nothing is kept or formatted without --trace.

)";
}

}  // namespace tessaly::frontend
