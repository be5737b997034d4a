// Handlers of the built-in functions, by family. Each is one row of the
// dispatch table in function_table.cpp.
#pragma once
#include "expr/functions.h"

namespace kavr {

// Strings (fn_string.cpp)
int FnLen(FunctionCall& call);
int FnStrCat(FunctionCall& call);
int FnStrReplace(FunctionCall& call);
int FnLeftRightMid(FunctionCall& call);
int FnInStr(FunctionCall& call);
int FnLCase(FunctionCall& call);
int FnUCase(FunctionCall& call);
int FnTrim(FunctionCall& call);  // LTrim, RTrim and Trim by name
int FnAsc(FunctionCall& call);
int FnChr(FunctionCall& call);
int FnAbs(FunctionCall& call);
int FnInt(FunctionCall& call);
int FnIsNumeric(FunctionCall& call);
int FnStripCR(FunctionCall& call);
int FnEscape(FunctionCall& call);

// HTML and URL (fn_html.cpp)
int FnParagraphFormat(FunctionCall& call);
int FnHTMLCodeFormat(FunctionCall& call);
int FnHTMLEditFormat(FunctionCall& call);
int FnURLEncodedFormat(FunctionCall& call);

// Number formatting (fn_number_format.cpp)
int FnNumberFormat(FunctionCall& call);
int FnDecimalFormat(FunctionCall& call);
int FnDollarFormat(FunctionCall& call);
int FnYesNoFormat(FunctionCall& call);
int FnFormat(FunctionCall& call);

// Date and time (fn_datetime.cpp)
int FnCurrentDateTime(FunctionCall& call);
int FnCurrentTime(FunctionCall& call);
int FnCurrentDate(FunctionCall& call);
int FnDateFormat(FunctionCall& call);
int FnTimeFormat(FunctionCall& call);
int FnIsDate(FunctionCall& call);
int FnDateDiff(FunctionCall& call);
int FnWeekDay(FunctionCall& call);

// Request, variables and environment (fn_misc.cpp)
int FnRnd(FunctionCall& call);
int FnParameterExists(FunctionCall& call);
int FnIncrementValue(FunctionCall& call);
int FnDecrementValue(FunctionCall& call);
int FnDefaultFileName(FunctionCall& call);
int FnArrayCount(FunctionCall& call);
int FnKavGetConnection(FunctionCall& call);

// Data (fn_data.cpp)
int FnPreserveSingleQuotes(FunctionCall& call);
int FnValidateCC(FunctionCall& call);
int FnDecodeCC(FunctionCall& call);

}  // namespace kavr

namespace kavr {
// Sets Rnd's stored seed (0 takes the clock again); for tests.
void SetRndSeed(int seed);
}  // namespace kavr
