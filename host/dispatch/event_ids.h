// The outgoing interfaces of the Outlook and Office objects, and the DISPIDs of their events:
// what the add-in's sinks answer for and what the stand-in host raises. The GUIDs are
// Office's own and all end in C000-000000000046.
#pragma once

#include <oaidl.h>
#include <windows.h>

namespace tessaly::host::dispatch {

inline namespace event_ids {

inline constexpr IID OfficeIid(unsigned long first) {
    return {first, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
}

// ExplorersEvents.
inline constexpr IID DIID_ExplorersEvents = OfficeIid(0x00063078);
inline constexpr DISPID kDispNewExplorer = 0xF001;

// ExplorerEvents_10 (Outlook 2002 and later) and the older ExplorerEvents, which share the
// DISPIDs of the events the add-in handles.
inline constexpr IID DIID_ExplorerEvents_10 = OfficeIid(0x0006300F);
inline constexpr IID DIID_ExplorerEvents = OfficeIid(0x0006304F);
inline constexpr DISPID kDispActivate = 0xF001;
inline constexpr DISPID kDispFolderSwitch = 0xF002;
inline constexpr DISPID kDispBeforeFolderSwitch = 0xF003;
inline constexpr DISPID kDispSelectionChange = 0xF007;
inline constexpr DISPID kDispClose = 0xF008;

// InspectorEvents_10 (Outlook 2002 and later) and the older InspectorEvents; Close has the
// same DISPID as the Explorer's.
inline constexpr IID DIID_InspectorEvents_10 = OfficeIid(0x0006302A);
inline constexpr IID DIID_InspectorEvents = OfficeIid(0x0006307D);

// _CommandBarsEvents, _CommandBarButtonEvents and _CommandBarComboBoxEvents.
inline constexpr IID DIID_CommandBarsEvents = OfficeIid(0x000C0352);
inline constexpr IID DIID_CommandBarButtonEvents = OfficeIid(0x000C0351);
inline constexpr IID DIID_CommandBarComboBoxEvents = OfficeIid(0x000C0354);
inline constexpr DISPID kDispOnUpdate = 1;
inline constexpr DISPID kDispClick = 1;
inline constexpr DISPID kDispChange = 1;

}  // namespace event_ids

}  // namespace tessaly::host::dispatch
