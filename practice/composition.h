#pragma once

// Composes a practice paper from the selected keywords: every question of the
// bank whose unit contains one of them, shuffled; then shows the first.
void ComposePaper();
// Whether the current record's unit contains one of the selected keywords.
bool RecordMatchesKeywords();
