// The versions of the toolkit's stored forms.
//
// Every exchange carries the schema it is written or read with
// (CTKPropExchange::m_nSchema): kTKSchemaCurrent when storing, what the
// store recorded when loading. A key added in some version is exchanged
// only when the schema is at least that version, so older stores load
// with the keys they lack left as they were. Each constant is the version
// that added what it names; the numbers are the stored ones and never
// change. A new key takes a new version, one above kTKSchemaCurrent, and
// kTKSchemaCurrent moves up to it.
#pragma once

// Stored command icons: the checked image.
inline constexpr int kTKSchemaIconCheckedImage = 8;
// Record items: "Caption".
inline constexpr int kTKSchemaItemCaption = 17;
// Stored command icons: the pressed image.
inline constexpr int kTKSchemaIconPressedImage = 17;
// Records: "HasChildren" and the "Children" section.
inline constexpr int kTKSchemaRecordChildren = 22;
// Columns: "HeaderAlignment" and "FooterAlignment".
inline constexpr int kTKSchemaColumnAlignments = 22;
// The report control's state: "FullColumnScrolling" and "HScrollStep".
inline constexpr int kTKSchemaReportScrolling = 23;
// Columns and column orders: the columns' internal names.
inline constexpr int kTKSchemaColumnInternalNames = 24;
// Stored command icons: 32-bit images keep premultiplied alpha (older ones
// are straight).
inline constexpr int kTKSchemaIconPremultiplied = 25;
// Record items: the "ItemControls" section.
inline constexpr int kTKSchemaItemControls = 33;
// Columns: "PlusMinus", "NextVisualBlock", "OldVisibleIndex", "Expanded".
inline constexpr int kTKSchemaColumnTreeState = 36;
// The report control's state: "FreezeColumnsAbs", "MovePivot",
// "ForcePagination", "StrictBestFit", "SelectionExcludeGroupRows" and
// "DesktopTrackerMode".
inline constexpr int kTKSchemaReportFlags = 36;
// A stored column name is matched against the internal names only; older
// states may name a column by its caption.
inline constexpr int kTKSchemaInternalNamesOnly = 38;
// What every exchange writes, and the run-time class schema of the
// report's stored classes.
inline constexpr int kTKSchemaCurrent = 38;

// What a store that recorded no schema is read as: an archive written
// before the schema marker existed, and a registry or INI section without
// "Schema".
inline constexpr int kTKSchemaUnmarkedArchive = 17;
inline constexpr int kTKSchemaUnmarkedKeyed = 32;
