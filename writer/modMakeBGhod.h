// The background HOD writer. Not written yet.
#pragma once
