#pragma once

namespace xy {
// Keeps the definitions section in the image: start-up reads the section
// through the image headers, so nothing else refers to the data.
const void* programTemplatesAnchor();
}  // namespace xy
