#pragma once
// Plain types shared by the parts of the time view: option sets, rectangles
// with exclusive right and bottom edges, and the error the control raises.

#include <cstdint>
#include <initializer_list>
#include <stdexcept>

#include "core/BorderStyle.h"

// Errors of the control carry short English messages ("Invalid time range",
// "Index out of range", "Invalid date").
class ERBTimeViewError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A set of enumeration values (any combination), as the option properties hold.
template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> values) {
    for (E v : values) bits_ |= Bit(v);
  }
  constexpr bool Contains(E v) const { return (bits_ & Bit(v)) != 0; }
  constexpr TSet& Include(E v) { bits_ |= Bit(v); return *this; }
  constexpr TSet& Exclude(E v) { bits_ &= ~Bit(v); return *this; }
  constexpr TSet operator+(TSet o) const { TSet s; s.bits_ = bits_ | o.bits_; return s; }
  constexpr TSet operator-(TSet o) const { TSet s; s.bits_ = bits_ & ~o.bits_; return s; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool operator==(const TSet&) const = default;

 private:
  static constexpr std::uint32_t Bit(E v) { return 1u << static_cast<unsigned>(v); }
  std::uint32_t bits_ = 0;
};

// Pixels Left..Right-1 by Top..Bottom-1.
struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  // Left and top edges included, right and bottom excluded.
  constexpr bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  constexpr bool operator==(const TRect&) const = default;
};

enum TRBTVOption {
  tvoTimeSelection,
  tvoMutipleDaySelection,
  tvoItemsSelection,
  tvoShowDaysGapCover,
  tvoAutoTimeScaleAdjust,
  tvoSnapItemToItem,
  tvoSnapItemToWorkingHours,
  tvoItemsBelowMark,
  tvoItemsAboveMark
};
using TRBTVOptions = TSet<TRBTVOption>;

enum TRBTVHintsOption {
  hoBeginWorkDrag,
  hoEndWorkDrag,
  hoSelection,
  hoAllDaySelection,
  hoItemStartDrag,
  hoItemEndDrag,
  hoItemDrag
};
using TRBTVHintsOptions = TSet<TRBTVHintsOption>;

enum TRBTVDragOption {
  doBeginWork,
  doEndWork,
  doItemStart,
  doItemStartToOtherDay,
  doItemEnd,
  doItemEndToOtherDay,
  doItem,
  doItemToOtherDay
};
using TRBTVDragOptions = TSet<TRBTVDragOption>;

enum TRBTVCustomDrawOption { cdoCaptions, cdoItems, cdoDays, cdoRuler, cdoTopSpace };
using TRBTVCustomDrawOptions = TSet<TRBTVCustomDrawOption>;

enum TRBTVRulerMarkMinutes { rmm5Minutes, rmm6Minutes, rmm10Minutes, rmm15Minutes, rmm30Minutes, rmm60Minutes };

// Minutes per ruler mark of each scale.
constexpr int MarkMinutesOf(TRBTVRulerMarkMinutes v) {
  constexpr int minutes[] = {5, 6, 10, 15, 30, 60};
  return minutes[v];
}

enum TRBTVTimeFormat { tf12Hours, tf24Hours, tfLocaleDefault };

enum TRBTVDragMode { dmBegin = 0, dmDrag = 1, dmEnd = 2 };

// Where a drag stands over a control, as its OnDragOver reports it.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };


