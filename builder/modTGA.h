// TGA images, the halftone check and filter, the option-menu state and the star
// detector. Not written yet.
#pragma once
