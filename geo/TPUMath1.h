#pragma once

// Trigonometry in degrees for the navigation routines.

double COSG(double invoer);
// The tangent; 0 with fout set when the cosine is exactly 0.
double TANG(double invoer, bool& fout);
// The arctangent in degrees, strictly between -90 and 90.
double ARCTANG(double invoer);
