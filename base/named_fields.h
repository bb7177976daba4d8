// Tables and aggregates written by name: a row type gives each field a
// setter, withGain(value), built on withField, so that a row reads
// Route{}.withGain(0.45f).withReverb(0.35f), every value beside its field's
// name, and a reordered field cannot rewire a table. Fields not set keep
// their defaults.
#pragma once

// A copy of row with one field set.
template <typename Row, typename Field>
constexpr Row withField(Row row, Field Row::*field, const Field& value) {
    row.*field = value;
    return row;
}
