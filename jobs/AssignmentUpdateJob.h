// Assignment update job (first half of job letter U).
//
// Walks all badge assignments current today and makes sure every person who
// holds one has a Mvs510Prv row with that person's current badge number and
// days. Reads RunHeader; returns nothing to the entry point.
#pragma once

void AssignmentUpdateJob();
