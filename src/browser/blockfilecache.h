#pragma once

#include "browser/cachereader.h"

namespace velt {

// Chromium's blockfile cache: an "index" file whose hash table points at entry records in the
// block files "data_N"; each record chains to the next entry of its bucket and addresses its
// key and streams (stream 0 the response info, stream 1 the body) in blocks of data_N or in
// external "f_XXXXXX" files. Media fetched by ranges lies in child entries of 1 MiB each.
const CacheFormatReader &blockfileCacheReader();

} // namespace velt
