// (the transform arrives in the next commit)
