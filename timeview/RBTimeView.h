#pragma once
// The time view control: include this to use it.
//   TRBTimeView            the control (RBTimeViewControl.h)
//   TRBTimeViewItem(s), TRBTimeviewDay   its model (RBTimeViewModel.h)
//   tvgeo::                its geometry as pure functions (RBTimeViewGeometry.h)
//   TRBImageList           images drawn in the blocks (RBImageList.h)
//   TRBTimeViewHintWindow  the hint popup (RBTimeViewHint.h)
#include "timeview/RBImageList.h"
#include "timeview/RBTimeViewControl.h"
#include "timeview/RBTimeViewGeometry.h"
#include "timeview/RBTimeViewHint.h"
#include "timeview/RBTimeViewModel.h"
#include "timeview/RBTimeViewTypes.h"
