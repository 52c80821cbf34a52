// The paged file lives in core, under the disk trees as well as the database files.
#pragma once

#include "core/toolbox/paged_file.h"
