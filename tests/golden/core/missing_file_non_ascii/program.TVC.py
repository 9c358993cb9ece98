import tvcgen as t

# Nothing to write.
