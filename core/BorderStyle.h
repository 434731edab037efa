#pragma once
// Border of the program's own controls: none, or a single line.
enum TBorderStyle { bsNone, bsSingle };
