// Placeholder until the first source of this engine lands.
