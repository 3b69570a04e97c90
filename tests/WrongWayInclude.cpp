// Compiled as if it were a control: the data layer and Qt are visible, the
// windows are not, so this include must fail.
#include "data/Query.h"
#include "screens/TForm1.h"
