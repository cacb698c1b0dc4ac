#include "dbf/code_page.h"

namespace brelloquin::dbf {}
