#pragma once
// A cursor over one dBase table: its .DBF records, memo file and production
// index (.MDX), as desktop database engines offer it.
//
//   data::Table t("/datos/", "AGENDA");        // or "agenda.dbf": any case
//   t.Open();                                   // shared; Open(OpenMode::Exclusive)
//   t.SetIndexName("FECHA_INI");
//   t.FindNearest(dt::EncodeDate(2004, 3, 1));
//   for (; !t.Eof(); t.Next()) use(t.FieldByName("ASUNTO").AsString());
//   t.Append(); t.FieldByName("ID").SetAsInteger(7); t.Post();
//
// Every failure raises data::DbError with a clear Spanish message. Text is
// UTF-8 here and the table's code page on disk. Records marked as deleted are
// invisible everywhere. Post and Delete return only when the record, its memo
// and its index entries are on disk.
//
// Reading for a query layer: Fields() describes the columns, FieldByNumber()
// reads them; a full scan is First() / Next() until Eof() with no index set
// (file order, RecNo() a stable row id, GotoRecNo() returns to it); a range
// scan on a tag is SetIndexName(tag), FindNearest(low) then Next() while the
// current key is within the range (CompareCurrentKey). Independent positions
// over one table need one Table object each (opening is cheap).
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/DateTime.h"
#include "data/DbError.h"

namespace data {

class Table;
struct TableFiles;
struct IndexEntry;
struct IndexInfo;
struct WriteUndo;

// Kinds of field a table is created with, and their dBase columns:
// Integer N(11,0), Float N(20,4), Date D, String C(length), Memo M.
enum class FieldKind { Integer, Float, Date, String, Memo };

struct FieldDef {
  std::string name;
  FieldKind kind = FieldKind::String;
  int length = 0;  // String only: 1..254
};

// An index named like a tag (up to 10 characters) on one field, or on a
// dBase key expression ("DTOS(FECHA_INI)+HORA_INI", see KeyExpression.h).
struct IndexDef {
  std::string name;
  std::string field;  // the field's name or the expression
  bool unique = false;
};

// A column as stored: dBase type letter (C N F D L M I O + @), width, decimals.
struct FieldInfo {
  std::string name;
  char type = 'C';
  int length = 0;
  int decimals = 0;
  bool IsNumeric() const { return type == 'N' || type == 'F' || type == 'I' || type == 'O' || type == '+'; }
  bool IsDate() const { return type == 'D' || type == '@'; }
  bool IsMemo() const { return type == 'M'; }
  bool IsLogical() const { return type == 'L'; }
};

struct TagInfo {
  std::string name;
  std::string field;  // the field whose order the tag keeps, or "" (other expressions)
  bool unique = false;
  std::string expression;
};

// ReadOnly: shared, and never rewrites anything (an index out of step is
// rebuilt in memory only); for inspection tools.
enum class OpenMode { Shared, Exclusive, ReadOnly };
enum class TableState { Inactive, Browse, Edit, Insert };

// A value to look up on the current index: numbers for numeric tags, a
// TDateTime (double) for date tags, text for character tags.
class KeyValue {
 public:
  KeyValue(int v) : value_(static_cast<double>(v)) {}
  KeyValue(std::int64_t v) : value_(static_cast<double>(v)) {}
  KeyValue(double v) : value_(v) {}
  KeyValue(const char* v) : value_(std::string(v)) {}
  KeyValue(std::string v) : value_(std::move(v)) {}
  bool IsText() const { return std::holds_alternative<std::string>(value_); }
  double Number() const { return std::get<double>(value_); }
  const std::string& Text() const { return std::get<std::string>(value_); }

 private:
  std::variant<double, std::string> value_;
};

// A remembered record; GotoBookmark returns to it if it still exists.
struct Bookmark {
  std::uint32_t recno = 0;
  bool IsValid() const { return recno != 0; }
};

// A field of the current record. Reads work in every state; assignments only
// while editing or appending, and each one runs the field's change hook.
class Field {
 public:
  const std::string& FieldName() const;
  const FieldInfo& Info() const;
  int Index() const { return index_; }

  bool IsNull() const;             // blank in the record (memo: empty text)
  std::int64_t AsInteger() const;  // numbers rounded; blank reads as 0
  double AsFloat() const;          // blank reads as 0
  // Text of any kind: numbers in plain decimal ("57", "-1000", "20.5"),
  // dates as YYYY-MM-DD, logicals T/F, memo text; blank gives "".
  std::string AsString() const;
  // The same into `out`, whose storage a reader of many records reuses.
  void ReadString(std::string& out) const;
  TDateTime AsDate() const;  // the day of a date field; blank reads as 0
  std::optional<bool> AsBoolean() const;

  void SetAsInteger(std::int64_t v);
  void SetAsFloat(double v);
  void SetAsString(const std::string& v);  // parsed for numeric and date fields
  void SetAsDate(TDateTime v);             // keeps only the day in D fields
  void SetAsBoolean(bool v);
  void Clear();

 private:
  friend class Table;
  Field(Table* table, int index) : table_(table), index_(index) {}
  Table* table_;
  int index_;
};

class Table {
 public:
  using Hook = std::function<void(Table& sender)>;
  using BeforePostHook = std::function<void(Table& sender, bool& abort)>;
  using FieldHook = std::function<void(Field& sender)>;

  Table();
  Table(std::string folder, std::string tableName);
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;
  ~Table();  // closes, cancelling a pending edit

  // --- Binding: a folder and a name given with or without ".DBF", any case.
  void SetFolder(const std::string& folder);
  void SetTableName(const std::string& name);
  const std::string& Folder() const { return folder_; }
  const std::string& TableName() const { return tableName_; }
  // Full path of the .DBF as found on disk (or as it would be created).
  std::string FilePath() const;
  bool Exists() const;

  // --- Opening. Exclusive fails while anyone else has the table open; a
  // shared open fails while someone has it exclusively.
  void Open(OpenMode mode = OpenMode::Shared);
  void Close();
  bool Active() const { return files_ != nullptr; }
  bool IsExclusive() const;
  TableState State() const { return state_; }

  // --- Whole-table operations.
  // Creates the table (closed), replacing any table of that name and its
  // family files. Indexes make a production index.
  void Create(const std::vector<FieldDef>& fields, const std::vector<IndexDef>& indexes = {});
  // Deletes .DBF, memo and .MDX (table closed).
  void DeleteTable();
  // Removes every record (table closed or open exclusively).
  void EmptyTable();
  // Adds a tag to the production index, creating the .MDX when missing
  // (table open exclusively).
  void AddIndex(const IndexDef& index);
  // Appends every visible record of `source` (open) into this table (open),
  // fields matched by name; memo texts are copied.
  void AppendAllFrom(Table& source);

  // --- Structure.
  const std::vector<FieldInfo>& Fields() const;
  int FieldCount() const { return static_cast<int>(Fields().size()); }
  bool HasField(const std::string& name) const;
  Field FieldByName(const std::string& name);      // throws for an unknown field
  Field FieldByNumber(int index);                  // 0-based
  // Text of C or M field `index` of the current record as stored (the
  // table's code page): a C field without trailing blanks and zeros, a
  // memo's bytes. A view into the record, the mapped memo file or
  // `scratch`, good until the next move; throws for other fields.
  std::string_view StoredText(int index, std::string& scratch) const;
  // The current record's bytes as the .DBF holds them (the deletion flag
  // first; memo fields as their block numbers): two reads of a record
  // compare as these. A view good until the next move or change.
  std::string_view RecordBytes() const;
  // Every field, as AsString gives it, of a record of this table kept as
  // RecordBytes gave it (memo texts from the blocks it names). The current
  // record stays as it is; only while browsing.
  std::vector<std::string> FieldTextsOf(std::string_view bytes);
  std::vector<TagInfo> Tags() const;
  int CodePage() const;
  // Level byte of the .DBF (0x03, 0x83, 0x8B, 0x04, 0x8C, 0x30, 0xF5, ...).
  int LevelByte() const;
  // Why a table that could be written opened read-only (a tag on a key
  // expression this engine cannot evaluate), or "".
  const std::string& ReadOnlyReason() const;

  // --- Current index: "" is file order. Changing it keeps the current record.
  void SetIndexName(const std::string& tag);
  const std::string& IndexName() const { return indexName_; }

  // --- Navigation.
  void First();
  void Last();
  void Next();
  void Prior();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  bool IsEmpty();
  // Exact key on the current index: true and positioned on the first match;
  // false leaves the position unchanged.
  bool FindKey(const KeyValue& value);
  // First record whose key is not below the value, else Eof.
  void FindNearest(const KeyValue& value);
  // <0, 0, >0 as the current record's key on the current index orders before,
  // at or after `value` (for range scans).
  int CompareCurrentKey(const KeyValue& value);
  Bookmark GetBookmark() const { return Bookmark{recno_}; }
  bool GotoBookmark(const Bookmark& b);
  // Record number (1-based, file order) of the current record; 0 when none.
  std::uint32_t RecNo() const { return eof_ && bof_ ? 0 : recno_; }
  // Positions on record `recno` if it exists and is not deleted.
  bool GotoRecNo(std::uint32_t recno);
  // Visible (not deleted) records.
  std::uint32_t RecordCount();
  // Records in the file, deleted ones included, as last read from its
  // header: known without reading any record.
  std::uint32_t RecordSlots() const;
  // Re-reads what other copies changed.
  void Refresh();
  // Another program put other files in the place of the open ones (a copy,
  // a rebuild): this handle still reads the old ones and cannot write;
  // closing and opening again reads the new ones.
  bool FilesReplaced() const;
  // Checks that records, memo file and every index agree; one line per
  // problem found, empty when the table is sound.
  std::vector<std::string> Verify();

  // --- Editing. Post returns false when the before-post hook aborted it
  // (the record then stays in its edit or insert state).
  void Append();
  void Edit();
  bool Post();
  void Cancel();
  void Delete();
  // Every Post and Delete is already on disk; this syncs once more.
  void FlushBuffers();
  // Bulk loading into a table opened exclusively: between BeginBatch and
  // EndBatch posts are written but synced (with the index) only once, at
  // EndBatch. A crash in between leaves an index that is rebuilt at open.
  void BeginBatch();
  void EndBatch();

  // --- Hooks.
  Hook OnNewRecord;
  BeforePostHook OnBeforePost;
  Hook OnAfterPost;
  // Runs on every assignment to the field, also of an equal value.
  void SetFieldChangeHook(const std::string& field, FieldHook hook);
  // A new record posted with a number its unique numeric index on `field`
  // already holds (another copy stored that number first) takes the highest
  // number plus one instead, decided under the append lock. Read the field
  // after Post for the number stored. Empty: such a post is refused.
  void SetRenumberField(const std::string& field) { renumberField_ = field; }

 private:
  friend class Field;
  friend struct TableFiles;

  void RequireActive() const;
  void RequireBrowse(const char* what) const;
  void RequireEditing(const Field& f) const;
  int ResolveField(const std::string& name) const;
  void CheckForeignChanges(bool force = false);
  bool LoadRecord(std::uint32_t recno);
  bool PositionOnEntry(const std::optional<IndexEntry>& e, bool forward);
  void SetEof();
  std::string CurrentKeyOf(int tag, const std::string& record);
  std::string KeyFromValue(int tag, const KeyValue& v) const;
  void FieldChanged(int index);
  // The memo's text (UTF-8) appended to `out`.
  void AppendMemoText(int index, std::string& out) const;
  void ResetPosition();
  void RenumberIfTaken();
  std::vector<std::pair<std::uint64_t, std::uint32_t>> AssignAutoIncrements(std::vector<int>& filled);
  void SetCurrentKeyFromRecord();
  void SkipDeletedForward(std::optional<IndexEntry> e);
  void LockForWrite();
  void RequireFilesInPlace();
  void UnlockWrite();
  void WriteDurably(bool memoWritten, std::uint32_t recno, const char* record,
                    const std::function<void()>& writeRecord);
  void RecoverFromFailedWrite();
  void MarkForUndo(WriteUndo& u, std::uint32_t recno, const std::string* oldRecord);
  void UndoFailedWrite(const WriteUndo& u);
  void OpenFiles(OpenMode mode);
  void PrepareIndexes();
  void RebuildIndexes(const std::vector<IndexInfo>& defs);
  void RebuildIndexesFromRecords(bool inFile);
  void RebuildIndexFile(const std::vector<IndexInfo>& defs);

  std::string folder_;
  std::string tableName_;
  std::unique_ptr<TableFiles> files_;
  TableState state_ = TableState::Inactive;
  std::string indexName_;
  int currentTag_ = -1;
  std::uint32_t recno_ = 0;
  bool eof_ = true;
  bool bof_ = true;
  std::string record_;     // current record as stored (code page bytes)
  std::string original_;   // record before Edit
  std::map<int, std::string> memoEdits_;  // memo texts assigned while editing (UTF-8)
  mutable std::string memoBytes_;         // a memo as stored, on its way to UTF-8
  std::map<std::string, FieldHook> fieldHooks_;
  std::string renumberField_;
  std::string curKey_;      // key of the current record on the current index
  bool bulk_ = false;       // AppendAllFrom: one sync at the end
};

}  // namespace data
