// NADCON datum shift between NAD 27 and NAD 83.
#pragma once
