#pragma once
#include "../support/reference_search.h"
