#pragma once

// Fills every fixed format record from the user's locale: the point model's
// and the shared ones. Both front ends call it once at program start.
void InitFormatSettings();
