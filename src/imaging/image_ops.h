#pragma once
// Every pixel operation of the image document in one include.
#include "imaging/colour_ops.h"
#include "imaging/filter_presets.h"
#include "imaging/merge.h"
#include "imaging/quantize.h"
#include "imaging/resample.h"
#include "imaging/rotate_flip.h"
