// The scorer that decides which candidate areas are fields: a sum of small
// decision trees over a few dozen measures of each candidate, learned from
// real forms (tools/fields/train.py writes field_model.cpp). An area the
// finder's own tests found is kept when its score is above sureCut, one
// they turned down when it is above doubtCut.
#ifndef SCRIVELANDER_FIELD_MODEL_H
#define SCRIVELANDER_FIELD_MODEL_H

#include <stdint.h>

enum { FieldFeatureCount = 34 };

// Trees stored flat: node n tests feature[n] (-1: a leaf worth value[n]);
// a candidate whose measure is at most threshold[n] goes to left[n], else to
// right[n]. Tree t starts at roots[t].
struct FieldModel {
    int trees;
    const int32_t* roots;
    const int16_t* feature;
    const double* threshold;
    const int32_t* left;
    const int32_t* right;
    const double* value;
    double bias;
    double sureCut, doubtCut;
};

// The scorer the program carries.
extern const FieldModel kFieldModel;

// The candidate's score: bias plus the leaf of every tree it reaches.
double FieldModelScore(const FieldModel& model, const float* features);

#endif
