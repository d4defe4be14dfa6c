// ADO and ADOX over SQLite: Connection, Recordset, Fields/Field, Errors and
// the ADOX Catalog/Tables/Table, created through the COM registry by ProgID
// ("ADODB.Connection", "ADODB.Recordset", "ADOX.Catalog") or CLSID.
//
// Each interface has raw virtual members that return HRESULTs (get_X/put_X
// for properties, raw_X for methods) and inline wrappers (GetX/PutX/X) that
// raise _com_error on failure. A failure always carries an English
// description naming the table, field or token at fault.
//
// A connection and every object made from it (recordsets, fields) belong to
// one thread at a time: their reference counts and caches are not locked,
// and neither is the SQLite connection under them.
//
// The statements are Jet SQL (see docs/database.md for the dialect). Text
// literals are bound as parameters, so QuoteText() is all a caller needs to
// put any user text into a statement safely; ExecuteWithParameters() binds
// values to `?` markers instead.
//
// Recordsets keep their rows in memory: RecordCount is exact (except -1
// for forward-only and dynamic server-side cursors, as ADO reports),
// bookmarks are VT_R8 values that stay valid for the life of the
// recordset, and a SELECT from a single table is updatable even when the
// select list omits the key (the row identity is kept hidden). Joins and
// aggregates are read-only. Execute's results and forward-only read-only
// server-side recordsets instead read their rows as the caller moves
// (no bookmarks, no moving back).
//
// Recordset events reach sinks advised on the connection point of
// RecordsetEvents (or RecordsetEventsVt), synchronously and in this order:
//   Move*/Bookmark put: WillMove(reason), [EndOfRecordset when MoveNext
//     passes the last row], MoveComplete(reason)
//   Field Value put: WillChangeField, [on the first change of an existing
//     row: WillChangeRecord(adRsnFirstChange), RecordChangeComplete(adRsnFirstChange)],
//     FieldChangeComplete
//   AddNew: WillChangeRecord(adRsnAddNew), RecordChangeComplete(adRsnAddNew)
//   Update: WillChangeRecord(adRsnUpdate), RecordChangeComplete(adRsnUpdate)
//   CancelUpdate: WillChangeRecord(adRsnUndoAddNew or adRsnUndoUpdate), RecordChangeComplete(same)
//   Delete: WillChangeRecord(adRsnDelete), RecordChangeComplete(adRsnDelete),
//     then the immediate write: WillChangeRecord(adRsnUpdate), RecordChangeComplete(adRsnUpdate)
//   Requery/Close: WillChangeRecordset(reason), RecordsetChangeComplete(reason)
// The recordset passed to a record event shows only the affected row (with
// the same bookmark as in the recordset itself). A sink that answers
// adStatusUnwantedEvent from an event method gets no more calls of that
// method; adStatusCancel from a Will event cancels the operation, which
// then fails with adErrOperationCancelled.
#pragma once

#include <initializer_list>

#include "platform/ado/connpoint.h"
#include "platform/base/com.h"
#include "platform/base/comutil.h"
#include "platform/base/variant.h"

class CString;

// ---- enumerations ---------------------------------------------------------------------
enum CursorTypeEnum {
  adOpenUnspecified = -1,
  adOpenForwardOnly = 0,
  adOpenKeyset = 1,
  adOpenDynamic = 2,
  adOpenStatic = 3
};
enum LockTypeEnum {
  adLockUnspecified = -1,
  adLockReadOnly = 1,
  adLockPessimistic = 2,
  adLockOptimistic = 3,
  adLockBatchOptimistic = 4
};
enum CursorLocationEnum { adUseNone = 1, adUseServer = 2, adUseClient = 3, adUseClientBatch = 3 };
enum CommandTypeEnum {
  adCmdUnspecified = -1,
  adCmdText = 1,
  adCmdTable = 2,
  adCmdStoredProc = 4,
  adCmdUnknown = 8,
  adCmdFile = 256,
  adCmdTableDirect = 512
};
enum ExecuteOptionEnum {
  adOptionUnspecified = -1,
  adAsyncExecute = 0x10,
  adAsyncFetch = 0x20,
  adAsyncFetchNonBlocking = 0x40,
  adExecuteNoRecords = 0x80
};
enum ConnectOptionEnum { adConnectUnspecified = -1, adAsyncConnect = 0x10 };
enum ObjectStateEnum {
  adStateClosed = 0,
  adStateOpen = 1,
  adStateConnecting = 2,
  adStateExecuting = 4,
  adStateFetching = 8
};
enum AffectEnum { adAffectCurrent = 1, adAffectGroup = 2, adAffectAll = 3, adAffectAllChapters = 4 };
enum EditModeEnum { adEditNone = 0, adEditInProgress = 1, adEditAdd = 2, adEditDelete = 4 };
enum CompareEnum {
  adCompareLessThan = 0,
  adCompareEqual = 1,
  adCompareGreaterThan = 2,
  adCompareNotEqual = 3,
  adCompareNotComparable = 4
};
enum BookmarkEnum { adBookmarkCurrent = 0, adBookmarkFirst = 1, adBookmarkLast = 2 };
enum PositionEnum { adPosUnknown = -1, adPosBOF = -2, adPosEOF = -3 };
enum DataTypeEnum {
  adEmpty = 0,
  adSmallInt = 2,
  adInteger = 3,
  adSingle = 4,
  adDouble = 5,
  adCurrency = 6,
  adDate = 7,
  adBSTR = 8,
  adIDispatch = 9,
  adError = 10,
  adBoolean = 11,
  adVariant = 12,
  adIUnknown = 13,
  adDecimal = 14,
  adTinyInt = 16,
  adUnsignedTinyInt = 17,
  adUnsignedSmallInt = 18,
  adUnsignedInt = 19,
  adBigInt = 20,
  adUnsignedBigInt = 21,
  adFileTime = 64,
  adGUID = 72,
  adBinary = 128,
  adChar = 129,
  adWChar = 130,
  adNumeric = 131,
  adUserDefined = 132,
  adDBDate = 133,
  adDBTime = 134,
  adDBTimeStamp = 135,
  adChapter = 136,
  adPropVariant = 138,
  adVarNumeric = 139,
  adVarChar = 200,
  adLongVarChar = 201,
  adVarWChar = 202,
  adLongVarWChar = 203,
  adVarBinary = 204,
  adLongVarBinary = 205,
  adArray = 0x2000
};
enum FieldAttributeEnum {
  adFldUnspecified = -1,
  adFldMayDefer = 0x2,
  adFldUpdatable = 0x4,
  adFldUnknownUpdatable = 0x8,
  adFldFixed = 0x10,
  adFldIsNullable = 0x20,
  adFldMayBeNull = 0x40,
  adFldLong = 0x80,
  adFldRowID = 0x100,
  adFldRowVersion = 0x200,
  adFldCacheDeferred = 0x1000,
  adFldKeyColumn = 0x8000
};
enum EventStatusEnum {
  adStatusOK = 1,
  adStatusErrorsOccurred = 2,
  adStatusCantDeny = 3,
  adStatusCancel = 4,
  adStatusUnwantedEvent = 5
};
enum EventReasonEnum {
  adRsnAddNew = 1,
  adRsnDelete = 2,
  adRsnUpdate = 3,
  adRsnUndoUpdate = 4,
  adRsnUndoAddNew = 5,
  adRsnUndoDelete = 6,
  adRsnRequery = 7,
  adRsnResynch = 8,
  adRsnClose = 9,
  adRsnMove = 10,
  adRsnFirstChange = 11,
  adRsnMoveFirst = 12,
  adRsnMoveNext = 13,
  adRsnMovePrevious = 14,
  adRsnMoveLast = 15
};
// Error numbers (HRESULT = 0x800A0000 | number).
enum ErrorValueEnum {
  adErrInvalidArgument = 3001,
  adErrNoCurrentRecord = 3021,
  adErrIllegalOperation = 3219,
  adErrFeatureNotAvailable = 3251,
  adErrItemNotFound = 3265,
  adErrDataConversion = 3421,
  adErrObjectClosed = 3704,
  adErrObjectOpen = 3705,
  adErrOperationCancelled = 3712
};
constexpr HRESULT AdoErrorHResult(long number) {
  return static_cast<HRESULT>(0x800A0000u | static_cast<unsigned>(number));
}

struct _Connection;
struct _Recordset;
struct Fields;
struct Field;
struct Errors;
struct Error;

#define PV_ADO_RAISE(hr, Iface)                                            \
  do {                                                                     \
    HRESULT pv_hr_ = (hr);                                                 \
    if (FAILED(pv_hr_)) _com_issue_errorex(pv_hr_, this, __uuidof(Iface)); \
  } while (0)

// ---- Error, Errors --------------------------------------------------------------------------
struct Error : IDispatch {
  STDMETHOD(get_Number)(long* number) PURE;
  STDMETHOD(get_Source)(BSTR* source) PURE;
  STDMETHOD(get_Description)(BSTR* description) PURE;
  STDMETHOD(get_NativeError)(long* code) PURE;
  STDMETHOD(get_SQLState)(BSTR* state) PURE;

  long GetNumber();
  _bstr_t GetSource();
  _bstr_t GetDescription();
  long GetNativeError();

 protected:
  ~Error() override = default;
};
PV_DECLARE_UUID(Error, "8273378E-ED13-4575-B3C8-92AA0F2EC681");

struct Errors : IDispatch {
  STDMETHOD(get_Count)(long* count) PURE;
  STDMETHOD(get_Item)(VARIANT index, Error** item) PURE;
  STDMETHOD(raw_Clear)() PURE;

  long GetCount();
  _com_ptr_t<Error> GetItem(const _variant_t& index);
  HRESULT Clear();

 protected:
  ~Errors() override = default;
};
PV_DECLARE_UUID(Errors, "68C3389A-4C9C-4894-9232-C7EF38FB82C4");

// ---- Field, Fields -------------------------------------------------------------------------
struct Field : IDispatch {
  STDMETHOD(get_Name)(BSTR* name) PURE;
  STDMETHOD(get_Value)(VARIANT* value) PURE;
  STDMETHOD(put_Value)(VARIANT value) PURE;
  STDMETHOD(get_Type)(DataTypeEnum* type) PURE;
  STDMETHOD(get_DefinedSize)(long* size) PURE;
  STDMETHOD(get_ActualSize)(long* size) PURE;
  STDMETHOD(get_Attributes)(long* attributes) PURE;
  STDMETHOD(get_OriginalValue)(VARIANT* value) PURE;
  STDMETHOD(get_UnderlyingValue)(VARIANT* value) PURE;

  _bstr_t GetName();
  _variant_t GetValue();
  void PutValue(const _variant_t& value);
  DataTypeEnum GetType();
  long GetDefinedSize();
  long GetActualSize();
  long GetAttributes();
  _variant_t GetOriginalValue();
  _variant_t GetUnderlyingValue();

 protected:
  ~Field() override = default;
};
PV_DECLARE_UUID(Field, "D130CB12-B2E3-45B2-A728-AF632D58A447");

struct Fields : IDispatch {
  STDMETHOD(get_Count)(long* count) PURE;
  // Index: a number (0-based) or a field name, compared without regard to case.
  STDMETHOD(get_Item)(VARIANT index, Field** item) PURE;

  long GetCount();
  _com_ptr_t<Field> GetItem(const _variant_t& index);

 protected:
  ~Fields() override = default;
};
PV_DECLARE_UUID(Fields, "9B0F1258-5AB1-4E97-B81B-73A509FA7D25");

// ---- Recordset -----------------------------------------------------------------------------
struct _Recordset : IDispatch {
  STDMETHOD(get_Fields)(Fields** fields) PURE;
  STDMETHOD(get_RecordCount)(long* count) PURE;
  STDMETHOD(get_EOF)(VARIANT_BOOL* eof) PURE;
  STDMETHOD(get_BOF)(VARIANT_BOOL* bof) PURE;
  STDMETHOD(get_Bookmark)(VARIANT* bookmark) PURE;
  STDMETHOD(put_Bookmark)(VARIANT bookmark) PURE;
  STDMETHOD(get_AbsolutePosition)(long* position) PURE;  // 1-based, or a PositionEnum
  STDMETHOD(get_CursorType)(CursorTypeEnum* type) PURE;
  STDMETHOD(put_CursorType)(CursorTypeEnum type) PURE;
  STDMETHOD(get_LockType)(LockTypeEnum* type) PURE;
  STDMETHOD(put_LockType)(LockTypeEnum type) PURE;
  STDMETHOD(get_CursorLocation)(CursorLocationEnum* location) PURE;
  STDMETHOD(put_CursorLocation)(CursorLocationEnum location) PURE;
  STDMETHOD(get_State)(long* state) PURE;
  STDMETHOD(get_EditMode)(EditModeEnum* mode) PURE;
  STDMETHOD(get_Source)(VARIANT* source) PURE;
  // The connection (VT_DISPATCH), or VT_EMPTY when there is none.
  STDMETHOD(get_ActiveConnection)(VARIANT* connection) PURE;
  // A connection object or a connection string (a new connection is opened).
  STDMETHOD(put_ActiveConnection)(VARIANT connection) PURE;
  STDMETHOD(putref_ActiveConnection)(IDispatch* connection) PURE;
  STDMETHOD(get_Collect)(VARIANT index, VARIANT* value) PURE;
  STDMETHOD(put_Collect)(VARIANT index, VARIANT value) PURE;

  STDMETHOD(raw_Open)
  (VARIANT source, VARIANT activeConnection, CursorTypeEnum cursorType, LockTypeEnum lockType, long options) PURE;
  STDMETHOD(raw_Close)() PURE;
  STDMETHOD(raw_Requery)(long options) PURE;
  STDMETHOD(raw_MoveFirst)() PURE;
  STDMETHOD(raw_MoveLast)() PURE;
  STDMETHOD(raw_MoveNext)() PURE;
  STDMETHOD(raw_MovePrevious)() PURE;
  STDMETHOD(raw_Move)(long numRecords, VARIANT start) PURE;
  STDMETHOD(raw_AddNew)(VARIANT fieldList, VARIANT values) PURE;
  STDMETHOD(raw_Update)(VARIANT fields, VARIANT values) PURE;
  STDMETHOD(raw_CancelUpdate)() PURE;
  STDMETHOD(raw_Delete)(AffectEnum affect) PURE;
  STDMETHOD(raw_CompareBookmarks)(VARIANT bookmark1, VARIANT bookmark2, CompareEnum* result) PURE;
  // Open on a statement with `?` markers and the values for them (a VARIANT
  // array of `count`), bound as _Connection::ExecuteWithParameters binds
  // them; Requery binds the same values again.
  STDMETHOD(raw_OpenWithParameters)
  (BSTR commandText, const VARIANT* values, long count, VARIANT activeConnection, CursorTypeEnum cursorType,
   LockTypeEnum lockType) PURE;

  _com_ptr_t<Fields> GetFields();
  long GetRecordCount();
  VARIANT_BOOL GetadoEOF();
  VARIANT_BOOL GetEOF() { return GetadoEOF(); }
  VARIANT_BOOL GetBOF();
  _variant_t GetBookmark();
  void PutBookmark(const _variant_t& bookmark);
  long GetAbsolutePosition();
  CursorTypeEnum GetCursorType();
  void PutCursorType(CursorTypeEnum type);
  LockTypeEnum GetLockType();
  void PutLockType(LockTypeEnum type);
  CursorLocationEnum GetCursorLocation();
  void PutCursorLocation(CursorLocationEnum location);
  long GetState();
  EditModeEnum GetEditMode();
  _variant_t GetSource();
  _variant_t GetActiveConnection();
  void PutActiveConnection(const _variant_t& connection);
  void PutRefActiveConnection(IDispatch* connection);
  _variant_t GetCollect(const _variant_t& index);
  void PutCollect(const _variant_t& index, const _variant_t& value);

  HRESULT Open(const _variant_t& source, const _variant_t& activeConnection, CursorTypeEnum cursorType,
               LockTypeEnum lockType, long options);
  HRESULT OpenWithParameters(const _bstr_t& commandText, std::initializer_list<_variant_t> values,
                             const _variant_t& activeConnection, CursorTypeEnum cursorType, LockTypeEnum lockType);
  HRESULT Close();
  HRESULT Requery(long options = -1);
  HRESULT MoveFirst();
  HRESULT MoveLast();
  HRESULT MoveNext();
  HRESULT MovePrevious();
  HRESULT Move(long numRecords, const _variant_t& start = vtMissing);
  HRESULT AddNew(const _variant_t& fieldList = vtMissing, const _variant_t& values = vtMissing);
  HRESULT Update(const _variant_t& fields = vtMissing, const _variant_t& values = vtMissing);
  HRESULT CancelUpdate();
  HRESULT Delete(AffectEnum affect = adAffectCurrent);
  CompareEnum CompareBookmarks(const _variant_t& bookmark1, const _variant_t& bookmark2);

 protected:
  ~_Recordset() override = default;
};
PV_DECLARE_UUID(_Recordset, "51E37E87-A917-4D4C-AD23-09DCEC399803");

// ---- Connection ----------------------------------------------------------------------------
struct _Connection : IDispatch {
  STDMETHOD(get_ConnectionString)(BSTR* text) PURE;
  STDMETHOD(put_ConnectionString)(BSTR text) PURE;
  STDMETHOD(get_State)(long* state) PURE;
  STDMETHOD(get_Errors)(Errors** errors) PURE;
  STDMETHOD(get_CursorLocation)(CursorLocationEnum* location) PURE;
  STDMETHOD(put_CursorLocation)(CursorLocationEnum location) PURE;
  STDMETHOD(get_CommandTimeout)(long* seconds) PURE;
  STDMETHOD(put_CommandTimeout)(long seconds) PURE;
  STDMETHOD(get_ConnectionTimeout)(long* seconds) PURE;
  STDMETHOD(put_ConnectionTimeout)(long seconds) PURE;

  // "Provider=...;Data Source=<path>": the path names an existing database
  // file (a backslash in it is read as '/'); Provider is not checked.
  STDMETHOD(raw_Open)(BSTR connectionString, BSTR userId, BSTR password, long options) PURE;
  STDMETHOD(raw_Close)() PURE;
  STDMETHOD(raw_Execute)(BSTR commandText, VARIANT* recordsAffected, long options, _Recordset** result) PURE;
  // Statement with `?` markers and the values for them (VARIANT array of `count`).
  STDMETHOD(raw_ExecuteWithParameters)
  (BSTR commandText, const VARIANT* values, long count, VARIANT* recordsAffected, _Recordset** result) PURE;
  STDMETHOD(raw_BeginTrans)(long* level) PURE;  // a second BeginTrans before the end is an error
  STDMETHOD(raw_CommitTrans)() PURE;
  STDMETHOD(raw_RollbackTrans)() PURE;

  _bstr_t GetConnectionString();
  void PutConnectionString(const _bstr_t& text);
  long GetState();
  _com_ptr_t<Errors> GetErrors();
  CursorLocationEnum GetCursorLocation();
  void PutCursorLocation(CursorLocationEnum location);
  long GetCommandTimeout();
  void PutCommandTimeout(long seconds);
  long GetConnectionTimeout();
  void PutConnectionTimeout(long seconds);

  HRESULT Open(const _bstr_t& connectionString, const _bstr_t& userId = _bstr_t(), const _bstr_t& password = _bstr_t(),
               long options = adConnectUnspecified);
  HRESULT Close();
  // Returns the rows of a SELECT (forward-only, read-only), a closed
  // recordset for other statements, or null with adExecuteNoRecords.
  _com_ptr_t<_Recordset> Execute(const _bstr_t& commandText, VARIANT* recordsAffected, long options);
  _com_ptr_t<_Recordset> ExecuteWithParameters(const _bstr_t& commandText, std::initializer_list<_variant_t> values,
                                               VARIANT* recordsAffected = nullptr);
  long BeginTrans();
  HRESULT CommitTrans();
  HRESULT RollbackTrans();

 protected:
  ~_Connection() override = default;
};
PV_DECLARE_UUID(_Connection, "C9ED348B-C440-4E2D-B347-D7E19D995A0F");

// ---- recordset events ----------------------------------------------------------------------
// The connection-point identity of the recordset events; sinks implement RecordsetEventsVt.
struct RecordsetEvents;
PV_DECLARE_UUID(RecordsetEvents, "82E0D795-1471-4243-AA74-9D9B10B50699");

struct RecordsetEventsVt : IUnknown {
  // `fields`: VT_ARRAY | VT_VARIANT holding the Field objects (VT_DISPATCH).
  STDMETHOD(WillChangeField)(long cFields, VARIANT fields, EventStatusEnum* adStatus, _Recordset* pRecordset) PURE;
  STDMETHOD(FieldChangeComplete)
  (long cFields, VARIANT fields, Error* pError, EventStatusEnum* adStatus, _Recordset* pRecordset) PURE;
  STDMETHOD(WillChangeRecord)
  (EventReasonEnum adReason, long cRecords, EventStatusEnum* adStatus, _Recordset* pRecordset) PURE;
  STDMETHOD(RecordChangeComplete)
  (EventReasonEnum adReason, long cRecords, Error* pError, EventStatusEnum* adStatus, _Recordset* pRecordset) PURE;
  STDMETHOD(WillChangeRecordset)(EventReasonEnum adReason, EventStatusEnum* adStatus, _Recordset* pRecordset) PURE;
  STDMETHOD(RecordsetChangeComplete)
  (EventReasonEnum adReason, Error* pError, EventStatusEnum* adStatus, _Recordset* pRecordset) PURE;
  STDMETHOD(WillMove)(EventReasonEnum adReason, EventStatusEnum* adStatus, _Recordset* pRecordset) PURE;
  STDMETHOD(MoveComplete)
  (EventReasonEnum adReason, Error* pError, EventStatusEnum* adStatus, _Recordset* pRecordset) PURE;
  STDMETHOD(EndOfRecordset)(VARIANT_BOOL* fMoreData, EventStatusEnum* adStatus, _Recordset* pRecordset) PURE;
  STDMETHOD(FetchProgress)(long progress, long maxProgress, EventStatusEnum* adStatus, _Recordset* pRecordset) PURE;
  STDMETHOD(FetchComplete)(Error* pError, EventStatusEnum* adStatus, _Recordset* pRecordset) PURE;

 protected:
  ~RecordsetEventsVt() override = default;
};
PV_DECLARE_UUID(RecordsetEventsVt, "1CCD3B2F-5CE8-4297-BBFA-4C1877A96FCB");

// ---- ADOX ----------------------------------------------------------------------------------
struct _Table : IDispatch {
  STDMETHOD(get_Name)(BSTR* name) PURE;
  STDMETHOD(get_Type)(BSTR* type) PURE;  // "TABLE"

  _bstr_t GetName();
  _bstr_t GetType();

 protected:
  ~_Table() override = default;
};
PV_DECLARE_UUID(_Table, "3039BF88-ABB4-4097-AAE5-69FC0C5164A7");

struct Tables : IDispatch {
  STDMETHOD(get_Count)(long* count) PURE;
  STDMETHOD(get_Item)(VARIANT index, _Table** item) PURE;
  STDMETHOD(raw_Refresh)() PURE;

  long GetCount();
  _com_ptr_t<_Table> GetItem(const _variant_t& index);
  HRESULT Refresh();

 protected:
  ~Tables() override = default;
};
PV_DECLARE_UUID(Tables, "F8D498A7-91F6-4AE6-A11E-55DD0780E5AD");

struct _Catalog : IDispatch {
  STDMETHOD(get_Tables)(Tables** tables) PURE;
  STDMETHOD(get_ActiveConnection)(VARIANT* connection) PURE;
  STDMETHOD(put_ActiveConnection)(VARIANT connection) PURE;  // a connection string or a connection
  STDMETHOD(putref_ActiveConnection)(IDispatch* connection) PURE;
  // Makes the database file named by the connection string (an existing
  // file is an error and is left alone) and returns its open connection.
  STDMETHOD(raw_Create)(BSTR connectionString, VARIANT* connection) PURE;

  _com_ptr_t<Tables> GetTables();
  _variant_t GetActiveConnection();
  void PutActiveConnection(const _variant_t& connection);
  void PutRefActiveConnection(IDispatch* connection);
  _variant_t Create(const _bstr_t& connectionString);

 protected:
  ~_Catalog() override = default;
};
PV_DECLARE_UUID(_Catalog, "35D4B9D0-897D-4E49-8B8A-0C335AE530C7");

_COM_SMARTPTR_TYPEDEF(Error, __uuidof(Error));
_COM_SMARTPTR_TYPEDEF(Errors, __uuidof(Errors));
_COM_SMARTPTR_TYPEDEF(Field, __uuidof(Field));
_COM_SMARTPTR_TYPEDEF(Fields, __uuidof(Fields));
_COM_SMARTPTR_TYPEDEF(_Recordset, __uuidof(_Recordset));
_COM_SMARTPTR_TYPEDEF(_Connection, __uuidof(_Connection));
_COM_SMARTPTR_TYPEDEF(RecordsetEventsVt, __uuidof(RecordsetEventsVt));
_COM_SMARTPTR_TYPEDEF(_Table, __uuidof(_Table));
_COM_SMARTPTR_TYPEDEF(Tables, __uuidof(Tables));
_COM_SMARTPTR_TYPEDEF(_Catalog, __uuidof(_Catalog));
_COM_SMARTPTR_TYPEDEF(IConnectionPointContainer, __uuidof(IConnectionPointContainer));
_COM_SMARTPTR_TYPEDEF(IConnectionPoint, __uuidof(IConnectionPoint));

// Class identities (the ProgIDs are "ADODB.Connection", "ADODB.Recordset", "ADOX.Catalog").
struct Connection;
struct Recordset;
struct Catalog;
PV_DECLARE_UUID(Connection, "FEAE99B0-BEFB-4516-A34A-D13981607F73");
PV_DECLARE_UUID(Recordset, "5EFBF92E-280A-456D-B595-E22054AE78B8");
PV_DECLARE_UUID(Catalog, "D537AA60-05C4-47EC-8034-664F811F1A01");
constexpr CLSID CLSID_Connection = __uuidof(Connection);
constexpr CLSID CLSID_Recordset = __uuidof(Recordset);
constexpr CLSID CLSID_Catalog = __uuidof(Catalog);

namespace pv::ado {
// Registers the three classes with the COM registry. Done automatically when
// pv_ado is linked in through any of the functions below; calling it again
// is harmless.
void RegisterAdoClasses();

// A Jet text literal of `text`: the text between apostrophes with each
// apostrophe doubled. Every UTF-16 unit survives (zero units, unpaired
// surrogates): the layer binds literals as parameters. Use it for every
// bit of user text placed into a statement.
// (Formatting the result into a statement with "%s" stops at a zero unit;
// pass such text through ExecuteWithParameters instead.)
CString QuoteText(const CString& text);
std::u16string QuoteText16(std::u16string_view text);

// Any translation unit that uses these objects links the registration in.
inline const bool kAdoClassesRegistered = (RegisterAdoClasses(), true);
}  // namespace pv::ado

// ---- inline wrappers -------------------------------------------------------------------------
inline long Error::GetNumber() {
  long v = 0;
  PV_ADO_RAISE(get_Number(&v), Error);
  return v;
}
inline _bstr_t Error::GetSource() {
  BSTR b = nullptr;
  PV_ADO_RAISE(get_Source(&b), Error);
  return _bstr_t(b, false);
}
inline _bstr_t Error::GetDescription() {
  BSTR b = nullptr;
  PV_ADO_RAISE(get_Description(&b), Error);
  return _bstr_t(b, false);
}
inline long Error::GetNativeError() {
  long v = 0;
  PV_ADO_RAISE(get_NativeError(&v), Error);
  return v;
}
inline long Errors::GetCount() {
  long v = 0;
  PV_ADO_RAISE(get_Count(&v), Errors);
  return v;
}
inline ErrorPtr Errors::GetItem(const _variant_t& index) {
  Error* p = nullptr;
  PV_ADO_RAISE(get_Item(index, &p), Errors);
  return ErrorPtr(p, false);
}
inline HRESULT Errors::Clear() {
  HRESULT hr = raw_Clear();
  PV_ADO_RAISE(hr, Errors);
  return hr;
}

inline _bstr_t Field::GetName() {
  BSTR b = nullptr;
  PV_ADO_RAISE(get_Name(&b), Field);
  return _bstr_t(b, false);
}
inline _variant_t Field::GetValue() {
  _variant_t v;
  PV_ADO_RAISE(get_Value(&v), Field);
  return v;
}
inline void Field::PutValue(const _variant_t& value) { PV_ADO_RAISE(put_Value(value), Field); }
inline DataTypeEnum Field::GetType() {
  DataTypeEnum t = adEmpty;
  PV_ADO_RAISE(get_Type(&t), Field);
  return t;
}
inline long Field::GetDefinedSize() {
  long v = 0;
  PV_ADO_RAISE(get_DefinedSize(&v), Field);
  return v;
}
inline long Field::GetActualSize() {
  long v = 0;
  PV_ADO_RAISE(get_ActualSize(&v), Field);
  return v;
}
inline long Field::GetAttributes() {
  long v = 0;
  PV_ADO_RAISE(get_Attributes(&v), Field);
  return v;
}
inline _variant_t Field::GetOriginalValue() {
  _variant_t v;
  PV_ADO_RAISE(get_OriginalValue(&v), Field);
  return v;
}
inline _variant_t Field::GetUnderlyingValue() {
  _variant_t v;
  PV_ADO_RAISE(get_UnderlyingValue(&v), Field);
  return v;
}
inline long Fields::GetCount() {
  long v = 0;
  PV_ADO_RAISE(get_Count(&v), Fields);
  return v;
}
inline FieldPtr Fields::GetItem(const _variant_t& index) {
  Field* p = nullptr;
  PV_ADO_RAISE(get_Item(index, &p), Fields);
  return FieldPtr(p, false);
}

inline FieldsPtr _Recordset::GetFields() {
  Fields* p = nullptr;
  PV_ADO_RAISE(get_Fields(&p), _Recordset);
  return FieldsPtr(p, false);
}
inline long _Recordset::GetRecordCount() {
  long v = 0;
  PV_ADO_RAISE(get_RecordCount(&v), _Recordset);
  return v;
}
inline VARIANT_BOOL _Recordset::GetadoEOF() {
  VARIANT_BOOL v = VARIANT_FALSE;
  PV_ADO_RAISE(get_EOF(&v), _Recordset);
  return v;
}
inline VARIANT_BOOL _Recordset::GetBOF() {
  VARIANT_BOOL v = VARIANT_FALSE;
  PV_ADO_RAISE(get_BOF(&v), _Recordset);
  return v;
}
inline _variant_t _Recordset::GetBookmark() {
  _variant_t v;
  PV_ADO_RAISE(get_Bookmark(&v), _Recordset);
  return v;
}
inline void _Recordset::PutBookmark(const _variant_t& bookmark) { PV_ADO_RAISE(put_Bookmark(bookmark), _Recordset); }
inline long _Recordset::GetAbsolutePosition() {
  long v = 0;
  PV_ADO_RAISE(get_AbsolutePosition(&v), _Recordset);
  return v;
}
inline CursorTypeEnum _Recordset::GetCursorType() {
  CursorTypeEnum v = adOpenForwardOnly;
  PV_ADO_RAISE(get_CursorType(&v), _Recordset);
  return v;
}
inline void _Recordset::PutCursorType(CursorTypeEnum type) { PV_ADO_RAISE(put_CursorType(type), _Recordset); }
inline LockTypeEnum _Recordset::GetLockType() {
  LockTypeEnum v = adLockReadOnly;
  PV_ADO_RAISE(get_LockType(&v), _Recordset);
  return v;
}
inline void _Recordset::PutLockType(LockTypeEnum type) { PV_ADO_RAISE(put_LockType(type), _Recordset); }
inline CursorLocationEnum _Recordset::GetCursorLocation() {
  CursorLocationEnum v = adUseServer;
  PV_ADO_RAISE(get_CursorLocation(&v), _Recordset);
  return v;
}
inline void _Recordset::PutCursorLocation(CursorLocationEnum location) {
  PV_ADO_RAISE(put_CursorLocation(location), _Recordset);
}
inline long _Recordset::GetState() {
  long v = 0;
  PV_ADO_RAISE(get_State(&v), _Recordset);
  return v;
}
inline EditModeEnum _Recordset::GetEditMode() {
  EditModeEnum v = adEditNone;
  PV_ADO_RAISE(get_EditMode(&v), _Recordset);
  return v;
}
inline _variant_t _Recordset::GetSource() {
  _variant_t v;
  PV_ADO_RAISE(get_Source(&v), _Recordset);
  return v;
}
inline _variant_t _Recordset::GetActiveConnection() {
  _variant_t v;
  PV_ADO_RAISE(get_ActiveConnection(&v), _Recordset);
  return v;
}
inline void _Recordset::PutActiveConnection(const _variant_t& connection) {
  PV_ADO_RAISE(put_ActiveConnection(connection), _Recordset);
}
inline void _Recordset::PutRefActiveConnection(IDispatch* connection) {
  PV_ADO_RAISE(putref_ActiveConnection(connection), _Recordset);
}
inline _variant_t _Recordset::GetCollect(const _variant_t& index) {
  _variant_t v;
  PV_ADO_RAISE(get_Collect(index, &v), _Recordset);
  return v;
}
inline void _Recordset::PutCollect(const _variant_t& index, const _variant_t& value) {
  PV_ADO_RAISE(put_Collect(index, value), _Recordset);
}
inline HRESULT _Recordset::Open(const _variant_t& source, const _variant_t& activeConnection, CursorTypeEnum cursorType,
                                LockTypeEnum lockType, long options) {
  HRESULT hr = raw_Open(source, activeConnection, cursorType, lockType, options);
  PV_ADO_RAISE(hr, _Recordset);
  return hr;
}
inline HRESULT _Recordset::OpenWithParameters(const _bstr_t& commandText, std::initializer_list<_variant_t> values,
                                              const _variant_t& activeConnection, CursorTypeEnum cursorType,
                                              LockTypeEnum lockType) {
  HRESULT hr = raw_OpenWithParameters(static_cast<char16_t*>(commandText), values.begin(),
                                      static_cast<long>(values.size()), activeConnection, cursorType, lockType);
  PV_ADO_RAISE(hr, _Recordset);
  return hr;
}
#define PV_ADO_METHOD0(Class, Name) \
  inline HRESULT Class::Name() {    \
    HRESULT hr = raw_##Name();      \
    PV_ADO_RAISE(hr, Class);        \
    return hr;                      \
  }
PV_ADO_METHOD0(_Recordset, Close)
PV_ADO_METHOD0(_Recordset, MoveFirst)
PV_ADO_METHOD0(_Recordset, MoveLast)
PV_ADO_METHOD0(_Recordset, MoveNext)
PV_ADO_METHOD0(_Recordset, MovePrevious)
PV_ADO_METHOD0(_Recordset, CancelUpdate)
PV_ADO_METHOD0(_Connection, Close)
PV_ADO_METHOD0(_Connection, CommitTrans)
PV_ADO_METHOD0(_Connection, RollbackTrans)
PV_ADO_METHOD0(Tables, Refresh)
#undef PV_ADO_METHOD0
inline HRESULT _Recordset::Requery(long options) {
  HRESULT hr = raw_Requery(options);
  PV_ADO_RAISE(hr, _Recordset);
  return hr;
}
inline HRESULT _Recordset::Move(long numRecords, const _variant_t& start) {
  HRESULT hr = raw_Move(numRecords, start);
  PV_ADO_RAISE(hr, _Recordset);
  return hr;
}
inline HRESULT _Recordset::AddNew(const _variant_t& fieldList, const _variant_t& values) {
  HRESULT hr = raw_AddNew(fieldList, values);
  PV_ADO_RAISE(hr, _Recordset);
  return hr;
}
inline HRESULT _Recordset::Update(const _variant_t& fields, const _variant_t& values) {
  HRESULT hr = raw_Update(fields, values);
  PV_ADO_RAISE(hr, _Recordset);
  return hr;
}
inline HRESULT _Recordset::Delete(AffectEnum affect) {
  HRESULT hr = raw_Delete(affect);
  PV_ADO_RAISE(hr, _Recordset);
  return hr;
}
inline CompareEnum _Recordset::CompareBookmarks(const _variant_t& bookmark1, const _variant_t& bookmark2) {
  CompareEnum v = adCompareNotComparable;
  PV_ADO_RAISE(raw_CompareBookmarks(bookmark1, bookmark2, &v), _Recordset);
  return v;
}

inline _bstr_t _Connection::GetConnectionString() {
  BSTR b = nullptr;
  PV_ADO_RAISE(get_ConnectionString(&b), _Connection);
  return _bstr_t(b, false);
}
inline void _Connection::PutConnectionString(const _bstr_t& text) {
  PV_ADO_RAISE(put_ConnectionString(static_cast<BSTR>(static_cast<char16_t*>(text))), _Connection);
}
inline long _Connection::GetState() {
  long v = 0;
  PV_ADO_RAISE(get_State(&v), _Connection);
  return v;
}
inline ErrorsPtr _Connection::GetErrors() {
  Errors* p = nullptr;
  PV_ADO_RAISE(get_Errors(&p), _Connection);
  return ErrorsPtr(p, false);
}
inline CursorLocationEnum _Connection::GetCursorLocation() {
  CursorLocationEnum v = adUseServer;
  PV_ADO_RAISE(get_CursorLocation(&v), _Connection);
  return v;
}
inline void _Connection::PutCursorLocation(CursorLocationEnum location) {
  PV_ADO_RAISE(put_CursorLocation(location), _Connection);
}
inline long _Connection::GetCommandTimeout() {
  long v = 0;
  PV_ADO_RAISE(get_CommandTimeout(&v), _Connection);
  return v;
}
inline void _Connection::PutCommandTimeout(long seconds) { PV_ADO_RAISE(put_CommandTimeout(seconds), _Connection); }
inline long _Connection::GetConnectionTimeout() {
  long v = 0;
  PV_ADO_RAISE(get_ConnectionTimeout(&v), _Connection);
  return v;
}
inline void _Connection::PutConnectionTimeout(long seconds) {
  PV_ADO_RAISE(put_ConnectionTimeout(seconds), _Connection);
}
inline HRESULT _Connection::Open(const _bstr_t& connectionString, const _bstr_t& userId, const _bstr_t& password,
                                 long options) {
  HRESULT hr = raw_Open(static_cast<char16_t*>(connectionString), static_cast<char16_t*>(userId),
                        static_cast<char16_t*>(password), options);
  PV_ADO_RAISE(hr, _Connection);
  return hr;
}
inline _RecordsetPtr _Connection::Execute(const _bstr_t& commandText, VARIANT* recordsAffected, long options) {
  _Recordset* p = nullptr;
  PV_ADO_RAISE(raw_Execute(static_cast<char16_t*>(commandText), recordsAffected, options, &p), _Connection);
  return _RecordsetPtr(p, false);
}
inline _RecordsetPtr _Connection::ExecuteWithParameters(const _bstr_t& commandText,
                                                        std::initializer_list<_variant_t> values,
                                                        VARIANT* recordsAffected) {
  _Recordset* p = nullptr;
  PV_ADO_RAISE(raw_ExecuteWithParameters(static_cast<char16_t*>(commandText), values.begin(),
                                         static_cast<long>(values.size()), recordsAffected, &p),
               _Connection);
  return _RecordsetPtr(p, false);
}
inline long _Connection::BeginTrans() {
  long v = 0;
  PV_ADO_RAISE(raw_BeginTrans(&v), _Connection);
  return v;
}

inline _bstr_t _Table::GetName() {
  BSTR b = nullptr;
  PV_ADO_RAISE(get_Name(&b), _Table);
  return _bstr_t(b, false);
}
inline _bstr_t _Table::GetType() {
  BSTR b = nullptr;
  PV_ADO_RAISE(get_Type(&b), _Table);
  return _bstr_t(b, false);
}
inline long Tables::GetCount() {
  long v = 0;
  PV_ADO_RAISE(get_Count(&v), Tables);
  return v;
}
inline _TablePtr Tables::GetItem(const _variant_t& index) {
  _Table* p = nullptr;
  PV_ADO_RAISE(get_Item(index, &p), Tables);
  return _TablePtr(p, false);
}
inline TablesPtr _Catalog::GetTables() {
  Tables* p = nullptr;
  PV_ADO_RAISE(get_Tables(&p), _Catalog);
  return TablesPtr(p, false);
}
inline _variant_t _Catalog::GetActiveConnection() {
  _variant_t v;
  PV_ADO_RAISE(get_ActiveConnection(&v), _Catalog);
  return v;
}
inline void _Catalog::PutActiveConnection(const _variant_t& connection) {
  PV_ADO_RAISE(put_ActiveConnection(connection), _Catalog);
}
inline void _Catalog::PutRefActiveConnection(IDispatch* connection) {
  PV_ADO_RAISE(putref_ActiveConnection(connection), _Catalog);
}
inline _variant_t _Catalog::Create(const _bstr_t& connectionString) {
  _variant_t v;
  PV_ADO_RAISE(raw_Create(static_cast<char16_t*>(connectionString), &v), _Catalog);
  return v;
}
