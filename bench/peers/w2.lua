-- W2 float arithmetic
local function main(r)
  local t = 0.0
  local p = 0
  while p < r do
    p = p + 1
    local x = 0.0
    local i = 0
    while i < 10000 do
      i = i + 1
      x = x * 1.000001 + 0.5
    end
    t = t + x
  end
  print(string.format("%.17g", t))
end
main(math.tointeger(tonumber(arg[1])))
